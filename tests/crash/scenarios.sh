# SPDX-License-Identifier: MIT
# Sourced by transfer_scenarios.sh and wine_scenarios.sh: the recorded
# transfers against a simulated hand-held, the same on every system. A /DOWN
# of two files (its HISTORY.DAT and RESULT.DAT), then four /UP of the
# hand-held's files (new names with OVER, then OVER, ADD and NON over them),
# then the same four from the manual window's upload, on a rough line. The
# runs are apart in time: a sync between them stands for the write-back of
# the one before.
#
# The caller sets scratch, root (under it) and hhtsim, and defines:
#   recorded COMMAND...  runs a program of the system under the recorder, in
#                        $root/work, with COM1 at $scratch/ttyHHT
#   synced               writes down a sync in $scratch/record
#   program NAME         the program for a record (tavelin, manual-upload)
#   pc_path PATH         the name the program uses for a path of the root,
#                        with $separator between folders
#   copy_in FILE         copies FILE (a pc_path) to DIRPRM.DAT, recorded
#   explore ARGUMENT...  the explorer on $scratch/record from $scratch/initial
# then calls run_scenarios, which ends the script.

make_scenario_files() {
  mkdir -p "$root/work" "$root/up" "$root/down" "$root/manual" "$scratch/hht/001"
  printf 'ITEM,4711,WIDGET\r\n' > "$root/down/MASTER.DAT"
  head -c 3000 /dev/urandom > "$root/down/PRICES.BIN"
  printf 'SMALL\r\n' > "$scratch/hht/001/A.DAT"
  seq 1 600 | sed 's/^/LINE /' > "$scratch/hht/001/B.TXT"   # several blocks
  head -c 12000 /dev/urandom > "$scratch/hht/001/C.BIN"      # beyond a stream buffer
  printf '2210005008000\r\n' > "$root/work/RSPRM.DAT"
  printf '1,1\r\n' > "$root/work/HHTPRM.DAT"
  local mode
  for mode in OVER ADD NON; do
    printf '%s\r\n' "$(pc_path "$root/AP.HEX")" "$(pc_path "$root/down")$separator" \
      "$(pc_path "$root/up")$separator" "$mode" "$([ $mode = OVER ] && echo NEW || echo ADD)HISTORY" 1 \
      > "$scratch/DIRPRM.$mode"
  done
  cp "$scratch/DIRPRM.OVER" "$root/work/DIRPRM.DAT"
}

start_scenario_hht() {
  # A rough line: pauses, frames sent twice and late answers, the same each time.
  "$hhtsim" --ids 1 --dir "$scratch/hht" --link "$scratch/ttyHHT" --quiet --rough 5 > /dev/null &
  sim_pid=$!
  for _ in $(seq 50); do [ -e "$scratch/ttyHHT" ] && break; sleep 0.1; done
}

# One scenario: the root as it is now, then RUN for each mode; the files of
# DATA are the ones the hand-held is told of.
scenario() {
  local name=$1 data=$2 run=$3; shift 3
  rm -rf "$scratch/initial" && cp -a "$root" "$scratch/initial" && : > "$scratch/record"
  for mode in "$@"; do
    "$run" "$mode" > "$scratch/run.log" 2>&1 || { echo "$name ($mode) failed: $?"; cat "$scratch/run.log"; exit 1; }
    synced
  done
  echo "== $name"
  explore --data "$data" --log work/HISTORY.DAT --log work/RESULT.DAT || failed=1
}

# The parameter files of a mode are copied in by a recorded program, so the
# record knows them.
batch() { copy_in "$(pc_path "$scratch/DIRPRM.$2")" && synced && recorded "$(program tavelin)" "$1"; }
batch_down() { batch /DOWN "$1"; }
batch_up() { batch /UP "$1"; }
manual_up() {
  local files=()
  for file in "$scratch"/hht/001/*; do files+=("$(basename "$file"):$(stat -c %s "$file")"); done
  recorded "$(program manual-upload)" "$(pc_path "$root/work")" "$(pc_path "$root/manual")" "$1" "${files[@]}"
}

run_scenarios() {
  failed=0
  scenario "/DOWN of two files" up batch_down OVER
  cmp "$root/down/PRICES.BIN" "$scratch/hht/001/PRICES.BIN" || { echo "PRICES.BIN did not arrive whole"; exit 1; }
  scenario "/UP: OVER on new names, OVER, ADD, NON" up batch_up OVER OVER ADD NON
  cmp <(cat "$scratch/hht/001/C.BIN" "$scratch/hht/001/C.BIN") "$root/up/C.BIN" || { echo "C.BIN did not arrive whole, twice"; exit 1; }
  scenario "manual upload: OVER on new names, OVER, ADD, NON" manual manual_up OVER OVER ADD NON
  cmp <(cat "$scratch/hht/001/C.BIN" "$scratch/hht/001/C.BIN") "$root/manual/C.BIN" || { echo "C.BIN did not arrive whole, twice"; exit 1; }
  exit $failed
}
