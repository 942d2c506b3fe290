#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the fuzzing harnesses (fuzz/) with clang, libFuzzer, AddressSanitizer
# and UBSan into build-fuzz/ and runs each for FUZZ_SECONDS (default 120), as
# many at once as there are cores (FUZZ_JOBS). Installs what is missing first.
# Each harness grows its own corpus in build-fuzz/corpus/<name>/ (the stored
# seeds in fuzz/corpus/<name>/ are read too, never written), keeps its log in
# build-fuzz/logs/ and any input that broke it in build-fuzz/findings/.
# Arguments name harnesses to run instead of all. Exits 1 when any found
# something: copy the input into fuzz/corpus/<name>/ once the fault is fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-fuzz
seconds=${FUZZ_SECONDS:-120}
jobs=${FUZZ_JOBS:-$(nproc)}

bash scripts/setup.sh cmake ninja-build clang libfuzzer-14-dev libclang-rt-14-dev libgtest-dev
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DTAVELIN_CORE_ONLY=ON -DTAVELIN_FUZZ=ON >/dev/null
cmake --build "$dir" --target fuzz_harnesses -j "$(nproc)"

harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || mapfile -t harnesses < <(ls fuzz/corpus)
mkdir -p "$dir/logs" "$dir/findings"
# A RAM disk for the scratch files of the file harnesses, where there is one.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm

run() {
  local name=$1
  mkdir -p "$dir/corpus/$name"
  rm -f "$dir/findings/$name-"*
  "$dir/fuzz/${name}_fuzz" -max_total_time="$seconds" -print_final_stats=1 -timeout=30 -rss_limit_mb=1024 \
    -artifact_prefix="$dir/findings/$name-" "$dir/corpus/$name" "fuzz/corpus/$name" >"$dir/logs/$name.log" 2>&1
}
export -f run
export dir seconds
printf '%s\n' "${harnesses[@]}" | xargs -P "$jobs" -I{} bash -c 'run {}' || true

# One line per harness: executions, their rate, coverage (edges, features)
# and the corpus, from libFuzzer's last status line and final figures.
status=0
printf '%-14s %12s %8s %6s %7s %7s  %s\n' harness executions exec/s cov ft corpus result
for name in "${harnesses[@]}"; do
  log="$dir/logs/$name.log"
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  last=$(grep -E '^#[0-9]+' "$log" | tail -n 1)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  corpus=$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$last")
  result=ok
  if compgen -G "$dir/findings/$name-*" >/dev/null || [ -z "$execs" ]; then
    result="FOUND (see $log)"
    status=1
  fi
  printf '%-14s %12s %8s %6s %7s %7s  %s\n' "$name" "${execs:-?}" "${rate:-?}" "${cov:-?}" "${ft:-?}" "${corpus:-?}" "$result"
done
exit $status
