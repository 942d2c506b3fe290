#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The campaign bookkeeping of scripts/fuzz.sh, with stand-ins for the build
# and for libFuzzer: totals that add up to the target exactly and survive a
# restart, a harness that found something left alone afterwards, a campaign
# that stops when nothing runs or its time is up, the plain timed run, the
# last harness of a campaign on every core, and runs of one harness by two
# campaigns at once.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
expect() { # description, then a command that must succeed
  local what=$1
  shift
  if ! "$@"; then
    echo "FAILED: $what" >&2
    failures=$((failures + 1))
  fi
}

# A checkout with two harnesses, a build that does nothing and harnesses
# that run PER_RUN executions at most (or what -runs= allows), note their
# arguments, and find something when a file says so.
mkdir -p "$work/tree/scripts" "$work/tree/fuzz/corpus/alpha" "$work/tree/fuzz/corpus/beta" \
  "$work/tree/build-fuzz/fuzz" "$work/bin" "$work/calls"
cp "$source_dir/scripts/fuzz.sh" "$work/tree/scripts/"
printf '#!/bin/sh\nexit 0\n' >"$work/tree/scripts/setup.sh"
printf '#!/bin/sh\nexit 0\n' >"$work/bin/cmake"
cat >"$work/stub" <<'STUB'
#!/usr/bin/env bash
name=$(basename "$0" _fuzz)
runs=1000000000 prefix=
for arg; do
  case $arg in
    -runs=*) runs=${arg#-runs=} ;;
    -artifact_prefix=*) prefix=${arg#-artifact_prefix=} ;;
  esac
done
echo "$*" >>"$CALLS/$name"
if [ -e "$CALLS/$name.crash" ]; then
  echo "#3 NEW cov: 5 ft: 6 corp: 2/4b"
  echo "==1== ERROR: libFuzzer: deadly signal"
  : >"${prefix}crash-0000"
  echo "stat::number_of_executed_units: 3"
  exit 1
fi
n=$((runs < PER_RUN ? runs : PER_RUN))
[ "$n" -gt 0 ] || { sleep 1; exit 1; } # a harness that cannot start, yet takes time
echo "#$n DONE cov: 11 ft: 22 corp: 3/9b lim: 4 exec/s: 100 rss: 30Mb"
echo "stat::number_of_executed_units: $n"
echo "stat::average_exec_per_sec: 100"
if [ -n "${FOREIGN:-}" ]; then # another campaign's run of this harness, ending meanwhile
  echo "stat::number_of_executed_units: $FOREIGN" >>"build-fuzz/logs/$name.log"
fi
STUB
chmod +x "$work/stub" "$work/bin/cmake" "$work/tree/scripts/setup.sh"
for name in alpha beta; do cp "$work/stub" "$work/tree/build-fuzz/fuzz/${name}_fuzz"; done
export PATH="$work/bin:$PATH" CALLS="$work/calls" FUZZ_JOBS=2
unset FUZZ_RUNS FUZZ_SECONDS FUZZ_UNTIL
fuzz() { (cd "$work/tree" && env "$@" bash scripts/fuzz.sh) >"$work/out" 2>&1; }
calls() { [ -e "$work/calls/$1" ] && wc -l <"$work/calls/$1" || echo 0; }
total() { cut -d' ' -f1 "$work/tree/build-fuzz/campaign/$1"; }
line() { grep "^$1 " "$work/out"; }

# A campaign in rounds reaches its target exactly; a harness that found
# something is not run again, and the campaign fails. One process at a time
# (FUZZ_JOBS=1) keeps the rounds simple to count.
touch "$work/calls/beta.crash"
status=0
fuzz FUZZ_RUNS=2500 PER_RUN=1000 FUZZ_JOBS=1 || status=$?
expect "campaign with a finding fails" [ "$status" = 1 ]
expect "three rounds reach the target" [ "$(calls alpha)" = 3 ]
expect "the last round asks only for what is left" grep -q -- '-runs=500 ' "$work/calls/alpha"
expect "executions add up to the target" [ "$(total alpha)" = 2500 ]
expect "a finding stops that harness" [ "$(calls beta)" = 1 ]
expect "the summary shows the total" grep -Eq '^alpha +2500 .* ok$' "$work/out"
expect "the summary names the finding" grep -Eq '^beta .*FOUND' "$work/out"
expect "rounds are capped at ten minutes" grep -q -- '-max_total_time=600 ' "$work/calls/alpha"

# Started again with a higher target it goes on from its totals.
rm "$work/calls/beta.crash"
fuzz FUZZ_RUNS=3000 PER_RUN=1000 FUZZ_JOBS=1
expect "a restart runs only the rest" [ "$(calls alpha)" = 4 ]
expect "which is what is left" grep -q -- '-runs=500 ' <(tail -n 1 "$work/calls/alpha")
expect "a restart counts on" [ "$(total alpha)" = 3000 ]
expect "also where a finding had stopped it" [ "$(total beta)" = 3000 ]

# Nothing runs: the campaign ends instead of going round for ever.
status=0
timeout 60 env PER_RUN=0 bash -c "cd '$work/tree' && FUZZ_RUNS=5000 bash scripts/fuzz.sh" >"$work/out" 2>&1 || status=$?
expect "a campaign that executes nothing ends and fails" [ "$status" = 1 ]
expect "and says how far short it is" grep -Eq '^alpha +3000 .*2000 executions short' "$work/out"

# Its time up before it starts, nothing runs.
before=$(calls alpha)
status=0
fuzz FUZZ_RUNS=9000 FUZZ_UNTIL="1 minute ago" PER_RUN=1000 || status=$?
expect "a campaign past its time fails" [ "$status" = 1 ]
expect "and still shows the coverage of its last runs" grep -Eq '^alpha +3000 .* 11 +22 +3 +6000 executions short' "$work/out"
expect "without running anything" [ "$(calls alpha)" = "$before" ]

# The plain timed run, as CI uses it: each harness once, for FUZZ_SECONDS.
rm -f "$work/calls/"*
fuzz FUZZ_SECONDS=20 PER_RUN=50
expect "a timed run runs each harness once" [ "$(calls alpha)$(calls beta)" = 11 ]
expect "for the seconds given" grep -q -- '-max_total_time=20 ' "$work/calls/alpha"
expect "without a target" [ "$(grep -c -- '-runs=' "$work/calls/alpha")" = 0 ]
expect "and reports each harness" grep -Eq '^beta +50 .* ok$' "$work/out"

# One harness left and two cores: it runs as two processes that share what
# is left, and both count.
echo "5001 0" >"$work/tree/build-fuzz/campaign/beta"
rm -f "$work/calls/"*
fuzz FUZZ_RUNS=5001 PER_RUN=2000
expect "the last harness runs on every core" [ "$(calls alpha)" = 2 ]
expect "sharing what is left" grep -q -- '-runs=1001 ' "$work/calls/alpha"
expect "to the execution" grep -q -- '-runs=1000 ' "$work/calls/alpha"
expect "and both processes count" [ "$(total alpha)" = 5001 ]
expect "a harness at its target is not run" [ "$(calls beta)" = 0 ]

# Another campaign's run of the same harness ends while this one runs: its
# figures in the harness's log are not counted here.
echo "0 0" >"$work/tree/build-fuzz/campaign/alpha"
fuzz FUZZ_RUNS=100 PER_RUN=100 FOREIGN=777 FUZZ_JOBS=1
expect "a run counts only its own executions" [ "$(total alpha)" = 100 ]

[ "$failures" = 0 ] || { cat "$work/out" "$work/calls/"* >&2; exit 1; }
echo "campaign bookkeeping: all checks passed"
