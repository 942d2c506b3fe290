#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Records transfers with a simulated hand-held and explores every crash
# state of each scenario (scenarios.sh), the recorder preloaded into each
# program.
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
# shellcheck source=scenarios.sh
. "$(dirname "$0")/scenarios.sh"

recorded() {
  (cd "$root/work" && TAVELIN_CRASH_ROOT=$root TAVELIN_CRASH_RECORD=$scratch/record TAVELIN_COM1=$scratch/ttyHHT \
    LD_PRELOAD=$recorder "$@")
}
synced() { recorded sync; }
program() { case $1 in tavelin) echo "$tavelin" ;; manual-upload) echo "$manual" ;; esac; }
pc_path() { printf '%s' "$1"; }
separator=/
explore() { "$explorer" --root "$root" --initial "$scratch/initial" --record "$scratch/record" "$@"; }
copy_in() { recorded dd if="$1" of=DIRPRM.DAT status=none; }

make_scenario_files
start_scenario_hht
run_scenarios
