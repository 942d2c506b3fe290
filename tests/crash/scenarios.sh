# SPDX-License-Identifier: MIT
# Sourced by the recorded scenarios of each system (transfer_scenarios.sh,
# settings_scenario.sh, wine_scenarios.sh): what is recorded and checked,
# the same on every system.
#
# The transfers against a simulated hand-held: a /DOWN
# of two files (its HISTORY.DAT and RESULT.DAT), then four /UP of the
# hand-held's files (new names with OVER, then OVER, ADD and NON over them),
# then the same four from the manual window's upload, on a rough line. The
# runs are apart in time: a sync between them stands for the write-back of
# the one before.
#
# The settings the window saves: three saves (the dialog's parameter files,
# the manual window's TAV0001.INF, this user's tavelin.conf), each over what
# the one before wrote, and a fourth that fails half way: each file is the
# old or the new one, never torn, and the one the operator was told of once
# told.
#
# The caller sets scratch, root and hhtsim, and defines:
#   recorded COMMAND...  runs a program of the system under the recorder, in
#                        $work, with COM1 at $scratch/ttyHHT
#   synced               writes down a sync in $scratch/record
#   program NAME         the program for a record (tavelin, manual-upload,
#                        save-settings)
#   pc_path PATH         the name the program uses for a path of the root,
#                        with $separator between folders
#   copy_in FILE         copies FILE (a pc_path) to DIRPRM.DAT, recorded
#   make_folder PATH     makes the folder PATH (a pc_path), recorded
#   explore ARGUMENT...  the explorer on $scratch/record from $scratch/initial
# then calls run_transfer_scenarios or
# run_settings_scenario FOLDER (where the parameter files and this user's
# tavelin.conf lie, under the root), which say in $failed whether a promise
# was broken.

parameter_files() {
  printf '2210005008000\r\n' > "$work/RSPRM.DAT"
  printf '1,1\r\n' > "$work/HHTPRM.DAT"
}

# DIRPRM.DAT for an upload mode and a history mode.
dirprm() {
  printf '%s\r\n' "$(pc_path "$root/AP.HEX")" "$(pc_path "$root/down")$separator" "$(pc_path "$root/up")$separator" \
    "$1" "$2" 1
}

make_scenario_files() {
  work=$root/work
  mkdir -p "$root/work" "$root/up" "$root/down" "$root/manual" "$scratch/hht/001"
  printf 'ITEM,4711,WIDGET\r\n' > "$root/down/MASTER.DAT"
  head -c 3000 /dev/urandom > "$root/down/PRICES.BIN"
  printf 'SMALL\r\n' > "$scratch/hht/001/A.DAT"
  seq 1 600 | sed 's/^/LINE /' > "$scratch/hht/001/B.TXT"   # several blocks
  # Beyond a stream buffer; its last byte never the end-of-file mark (1A)
  # that an ADD drops from the file it appends to, so that two copies of it
  # are what ADD makes.
  { head -c 11999 /dev/urandom; printf 'E'; } > "$scratch/hht/001/C.BIN"
  parameter_files
  dirprm OVER NEWHISTORY > "$scratch/DIRPRM.OVER"
  dirprm ADD ADDHISTORY > "$scratch/DIRPRM.ADD"
  dirprm NON ADDHISTORY > "$scratch/DIRPRM.NON"
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

run_transfer_scenarios() {
  scenario "/DOWN of two files" up batch_down OVER
  cmp "$root/down/PRICES.BIN" "$scratch/hht/001/PRICES.BIN" || { echo "PRICES.BIN did not arrive whole"; exit 1; }
  scenario "/UP: OVER on new names, OVER, ADD, NON" up batch_up OVER OVER ADD NON
  cmp <(cat "$scratch/hht/001/C.BIN" "$scratch/hht/001/C.BIN") "$root/up/C.BIN" || { echo "C.BIN did not arrive whole, twice"; exit 1; }
  scenario "manual upload: OVER on new names, OVER, ADD, NON" manual manual_up OVER OVER ADD NON
  cmp <(cat "$scratch/hht/001/C.BIN" "$scratch/hht/001/C.BIN") "$root/manual/C.BIN" || { echo "C.BIN did not arrive whole, twice"; exit 1; }
}

run_settings_scenario() {
  local folder=$1 round status=0
  work=$root/$folder
  mkdir -p "$work"
  parameter_files
  dirprm OVER NEWHISTORY > "$work/DIRPRM.DAT"
  rm -rf "$scratch/initial" && mkdir "$scratch/initial" && cp -a "$work" "$scratch/initial/$folder"
  : > "$scratch/record"
  for round in 1 2 3; do
    recorded "$(program save-settings)" "$(pc_path "$work")" "$round" || { echo "save $round failed"; exit 1; }
  done
  grep -q "ttyS3" "$work/tavelin.conf" || { echo "tavelin.conf was not saved"; exit 1; }
  # A save the last parameter file of which cannot be written: the two before
  # it get their old bytes back, and the operator is told it was not saved.
  make_folder "$(pc_path "$work/DIRPRM.DAT.new")"
  recorded "$(program save-settings)" "$(pc_path "$work")" 4 || status=$?
  [ "$status" = 3 ] || { echo "a save that could not be done ended with $status"; exit 1; }
  echo "== settings saved three times, then not saved"
  # Left by a cut, never read as settings: the temporaries start-up removes,
  # and Qt's lock and its new file not yet renamed.
  explore --data "$folder" \
    --leftovers "$folder/(RSPRM|HHTPRM|DIRPRM)\\.DAT\\.new|$folder/TAV0001\\.INF\\.new|$folder/tavelin\\.conf\\..+" ||
    failed=1
}
failed=0
