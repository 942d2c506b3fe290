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
#
# A campaign: FUZZ_RUNS=N runs each harness until it has N executions in
# total, counted across runs in build-fuzz/campaign/<name> (executions and
# seconds so far), so a campaign cut short goes on where it stopped when
# started again; remove that directory to begin a new one. It goes in rounds
# of FUZZ_SECONDS (default 600) per harness, so that all share the cores
# and a harness that has reached N leaves its time to the others; with
# fewer harnesses left than cores, each runs as several processes that share
# its corpus, so no core waits for the slowest harness. FUZZ_UNTIL
# (a time `date -d` reads, such as 01:35) ends it at that time, a run under
# way included. build-fuzz/campaign/runs.log keeps a line per run.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-fuzz
runs=${FUZZ_RUNS:-}
seconds=${FUZZ_SECONDS:-$([ -n "$runs" ] && echo 600 || echo 120)}
until=${FUZZ_UNTIL:+$(date -d "$FUZZ_UNTIL" +%s)}
jobs=${FUZZ_JOBS:-$(nproc)}

bash scripts/setup.sh cmake ninja-build clang libfuzzer-14-dev libclang-rt-14-dev libgtest-dev
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DTAVELIN_CORE_ONLY=ON -DTAVELIN_FUZZ=ON >/dev/null
cmake --build "$dir" --target fuzz_harnesses -j "$(nproc)"

harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || mapfile -t harnesses < <(ls fuzz/corpus)
mkdir -p "$dir/logs" "$dir/findings" "$dir/campaign"
# A RAM disk for the scratch files of the file harnesses, where there is one.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm
# Recording where each block was allocated costs every input a stack walk,
# a tenth of the time; a finding replayed alone shows it (with ASAN_OPTIONS=).
export ASAN_OPTIONS=${ASAN_OPTIONS-malloc_context_size=0}

# libFuzzer's figure from its final statistics in a log.
figure() { sed -n "s/^stat::$1: *//p" "$2" | tail -n 1; }
# Executions and seconds a campaign has spent on a harness so far.
tally() { cat "$dir/campaign/$1" 2>/dev/null || echo "0 0"; }

# Adds a run's executions and seconds to a harness's totals. Under a lock,
# from the totals as they are now: processes of one harness finish in turn.
record() {
  local name=$1 execs=$2 wall=$3 done spent
  {
    flock 9
    read -r done spent < <(tally "$name")
    echo "$((done + execs)) $((spent + wall))" >"$dir/campaign/$name"
  } 9>"$dir/campaign/.lock"
}

# Runs a harness once; the second argument numbers its processes in a round
# (1 alone), which share the rest of its target.
run() {
  local name=$1 instance=${2:-1} of=${3:-1} limits=() log="$dir/logs/$1.log" start done spent
  [ "$instance" = 1 ] || log="$dir/logs/$name.$instance.log"
  read -r done spent < <(tally "$name")
  if [ -n "$runs" ]; then
    [ "$done" -lt "$runs" ] || { echo "target reached before this run" >"$log"; return; }
    local share=$(((runs - done + of - instance) / of))
    [ "$share" -gt 0 ] || { echo "nothing left for this process" >"$log"; return; }
    limits+=(-runs=$share)
  fi
  local cap=$seconds
  if [ -n "$until" ]; then
    local left=$((until - $(date +%s)))
    [ "$left" -gt 0 ] || { echo "FUZZ_UNTIL passed before this run" >"$log"; return; }
    [ -n "$cap" ] && [ "$cap" -le "$left" ] || cap=$left
  fi
  [ -z "$cap" ] || limits+=(-max_total_time="$cap")
  mkdir -p "$dir/corpus/$name"
  [ -n "$runs" ] || rm -f "$dir/findings/$name-"* # a campaign clears them once, at its start
  # The run's own file until it ends: another campaign's run of the same
  # harness may be writing its log meanwhile, and its figures are not ours.
  local own
  own=$(mktemp "$dir/logs/.$name.XXXXXX")
  start=$(date +%s)
  "$dir/fuzz/${name}_fuzz" "${limits[@]}" -print_final_stats=1 -timeout=30 -rss_limit_mb=1024 \
    -artifact_prefix="$dir/findings/$name-" "$dir/corpus/$name" "fuzz/corpus/$name" >"$own" 2>&1 || true
  local wall=$(($(date +%s) - start)) execs
  echo "wall_seconds: $wall" >>"$own"
  if [ -n "$runs" ]; then
    execs=$(figure number_of_executed_units "$own")
    record "$name" "${execs:-0}" "$wall"
    echo "$(date -u +%FT%TZ) $name executions ${execs:-0} seconds $wall" \
      "$(grep -aE '^#[0-9]+' "$own" | tail -n 1)" >>"$dir/campaign/runs.log"
  fi
  mv -f "$own" "$log"
}
export -f run record figure tally
export dir runs seconds until
# The harnesses not yet at the campaign's target and not found faulty.
unfinished() {
  for name in "${harnesses[@]}"; do
    read -r done _ < <(tally "$name")
    [ "$done" -lt "$runs" ] && ! compgen -G "$dir/findings/$name-*" >/dev/null && echo "$name"
  done
}
# A round: each unfinished harness with its process number and count, as
# many processes of each as it takes to give every core one.
round() {
  local left
  mapfile -t left < <(unfinished)
  local count=${#left[@]} per=1
  [ "$count" -eq 0 ] || [ "$count" -ge "$jobs" ] || per=$(((jobs + count - 1) / count))
  for name in "${left[@]}"; do
    for ((k = 1; k <= per; k++)); do echo "$name $k $per"; done
  done
}
if [ -z "$runs" ]; then
  printf '%s\n' "${harnesses[@]}" | xargs -P "$jobs" -I{} bash -c 'run {}' || true
else
  for name in "${harnesses[@]}"; do rm -f "$dir/findings/$name-"*; done
  # Rounds until every harness is done, the time is up, or a round executed
  # nothing (a harness that cannot start must not keep the loop going).
  executed() { for name in "${harnesses[@]}"; do tally "$name"; done | awk '{ n += $1 } END { print n + 0 }'; }
  progress=1
  while [ "$progress" = 1 ] && [ -n "$(unfinished)" ] && { [ -z "$until" ] || [ "$(date +%s)" -lt "$until" ]; }; do
    before=$(executed)
    round | xargs -P "$jobs" -I{} bash -c 'run {}' || true
    [ "$before" != "$(executed)" ] || progress=0
  done
fi

# One line per harness: executions, wall seconds and their rate (in a
# campaign its totals so far), coverage (edges, features) and the corpus,
# from libFuzzer's last status line and final figures.
status=0
printf '%-14s %12s %7s %8s %6s %7s %7s  %s\n' harness executions seconds exec/s cov ft corpus result
for name in "${harnesses[@]}"; do
  log="$dir/logs/$name.log"
  execs=$(figure number_of_executed_units "$log")
  rate=$(figure average_exec_per_sec "$log")
  wall=$(sed -n 's/^wall_seconds: //p' "$log")
  # libFuzzer's last status line; in a campaign that of its last run that
  # got going. None when it never started.
  if [ -n "$runs" ]; then
    last=$(grep " $name executions " "$dir/campaign/runs.log" 2>/dev/null | grep -E ' #[0-9]+' | tail -n 1 || true)
  else
    last=$(grep -E "^#[0-9]+" "$log" | tail -n 1 || true)
  fi
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  corpus=$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$last")
  result=ok
  if compgen -G "$dir/findings/$name-*" >/dev/null; then
    result="FOUND (see $log)"
    status=1
  elif [ -n "$runs" ]; then
    read -r execs wall < <(tally "$name")
    rate=$((execs / (wall > 0 ? wall : 1)))
    if [ "$execs" -lt "$runs" ]; then
      result="$((runs - execs)) executions short"
      status=1
    fi
  elif [ -z "$execs" ]; then
    result="not run: $(head -n 1 "$log")"
    status=1
  fi
  printf '%-14s %12s %7s %8s %6s %7s %7s  %s\n' "$name" "${execs:-?}" "${wall:-?}" "${rate:-?}" "${cov:-?}" "${ft:-?}" "${corpus:-?}" "$result"
done
exit $status
