#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Records the transfers or the settings saves of scenarios.sh, the recorder
# preloaded into each program, and explores every crash state of each.
# Usage: posix_scenarios.sh transfers|settings TAVELIN HHTSIM RECORDER EXPLORER MANUAL-UPLOAD SAVE-SETTINGS
set -euo pipefail
which=$1
tavelin=$(realpath "$2") hhtsim=$(realpath "$3") recorder=$(realpath "$4") explorer=$(realpath "$5")
manual=$(realpath "$6") saver=$(realpath "$7")
scratch=$(mktemp -d)
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
scratch=$(cd "$scratch" && pwd -P)
root=$scratch/fs
# shellcheck source=scenarios.sh
. "$(dirname "$0")/scenarios.sh"

# This user's tavelin.conf lies in $root/tavelin, beside the parameter files.
recorded() {
  (cd "$work" && TAVELIN_CRASH_ROOT=$root TAVELIN_CRASH_RECORD=$scratch/record TAVELIN_COM1=$scratch/ttyHHT \
    XDG_CONFIG_HOME=$root LD_PRELOAD=$recorder "$@")
}
synced() { recorded sync; }
program() { case $1 in tavelin) echo "$tavelin" ;; manual-upload) echo "$manual" ;; save-settings) echo "$saver" ;; esac; }
pc_path() { printf '%s' "$1"; }
separator=/
explore() { "$explorer" --root "$root" --initial "$scratch/initial" --record "$scratch/record" "$@"; }
copy_in() { recorded dd if="$1" of=DIRPRM.DAT status=none; }
make_folder() { recorded mkdir "$1"; }

if [ "$which" = transfers ]; then
  make_scenario_files
  start_scenario_hht
  run_transfer_scenarios
else
  run_settings_scenario tavelin
fi
exit $failed
