#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Records transfers with a simulated hand-held and explores every crash
# state of each scenario: a /DOWN of two files (its HISTORY.DAT and
# RESULT.DAT), then four /UP of the hand-held's files (new names with OVER,
# then OVER, ADD and NON over them), then the same four from the manual
# window's upload, on a rough line. The runs are apart in time: a sync
# between them stands for the kernel's write-back of the one before.
# Usage: transfer_scenarios.sh TAVELIN HHTSIM RECORDER EXPLORER MANUAL-UPLOAD
set -euo pipefail
tavelin=$(realpath "$1") hhtsim=$(realpath "$2") recorder=$(realpath "$3") explorer=$(realpath "$4")
manual=$(realpath "$5")
scratch=$(mktemp -d)
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
scratch=$(cd "$scratch" && pwd -P)
root=$scratch/fs

mkdir -p "$root/work" "$root/up" "$root/down" "$root/manual" "$scratch/hht/001"
printf 'ITEM,4711,WIDGET\r\n' > "$root/down/MASTER.DAT"
head -c 3000 /dev/urandom > "$root/down/PRICES.BIN"
printf 'SMALL\r\n' > "$scratch/hht/001/A.DAT"
seq 1 600 | sed 's/^/LINE /' > "$scratch/hht/001/B.TXT"   # several blocks
head -c 12000 /dev/urandom > "$scratch/hht/001/C.BIN"      # beyond a stream buffer
printf '2210005008000\r\n' > "$root/work/RSPRM.DAT"
printf '1,1\r\n' > "$root/work/HHTPRM.DAT"
dirprm() { printf '%s\r\n' "$root/AP.HEX" "$root/down/" "$root/up/" "$1" "$2" 1 > "$scratch/DIRPRM.$1"; }
dirprm OVER NEWHISTORY && cp "$scratch/DIRPRM.OVER" "$root/work/DIRPRM.DAT"
dirprm ADD ADDHISTORY
dirprm NON ADDHISTORY

# A rough line: pauses, frames sent twice and late answers, the same each time.
"$hhtsim" --ids 1 --dir "$scratch/hht" --link "$scratch/ttyHHT" --quiet --rough 5 > /dev/null &
sim_pid=$!
for _ in $(seq 50); do [ -e "$scratch/ttyHHT" ] && break; sleep 0.1; done

# One scenario: the root as it is now, then RUN for each mode; the files of
# DATA are the ones the hand-held is told of.
scenario() {
  local name=$1 data=$2 run=$3; shift 3
  rm -rf "$scratch/initial" && cp -a "$root" "$scratch/initial" && : > "$scratch/record"
  for mode in "$@"; do
    "$run" "$mode" > "$scratch/run.log" 2>&1 || { echo "$name ($mode) failed: $?"; cat "$scratch/run.log"; exit 1; }
    recorded sync
  done
  echo "== $name"
  "$explorer" --root "$root" --initial "$scratch/initial" --record "$scratch/record" --data "$data" \
    --log work/HISTORY.DAT --log work/RESULT.DAT || failed=1
}
recorded() {
  (cd "$root/work" && TAVELIN_CRASH_ROOT=$root TAVELIN_CRASH_RECORD=$scratch/record TAVELIN_COM1=$scratch/ttyHHT \
    LD_PRELOAD=$recorder "$@")
}
batch() { recorded dd if="$scratch/DIRPRM.$2" of=DIRPRM.DAT status=none && recorded sync && recorded "$tavelin" "$1"; }
batch_down() { batch /DOWN "$1"; }
batch_up() { batch /UP "$1"; }
manual_up() {
  local files=()
  for file in "$scratch"/hht/001/*; do files+=("$(basename "$file"):$(stat -c %s "$file")"); done
  recorded "$manual" "$root/work" "$root/manual" "$1" "${files[@]}"
}
failed=0
scenario "/DOWN of two files" up batch_down OVER
cmp "$root/down/PRICES.BIN" "$scratch/hht/001/PRICES.BIN" || { echo "PRICES.BIN did not arrive whole"; exit 1; }
scenario "/UP: OVER on new names, OVER, ADD, NON" up batch_up OVER OVER ADD NON
cmp <(cat "$scratch/hht/001/C.BIN" "$scratch/hht/001/C.BIN") "$root/up/C.BIN" || { echo "C.BIN did not arrive whole, twice"; exit 1; }
scenario "manual upload: OVER on new names, OVER, ADD, NON" manual manual_up OVER OVER ADD NON
cmp <(cat "$scratch/hht/001/C.BIN" "$scratch/hht/001/C.BIN") "$root/manual/C.BIN" || { echo "C.BIN did not arrive whole, twice"; exit 1; }
exit $failed
