#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The recorded scenarios of scenarios.sh under Wine: each program (tavelin.exe,
# the settings' driver, cmd for a copy) started by tavelin-crash-launch with the
# recorder DLL in it, the transfers against the Linux simulator on COM1 of
# the prefix, the settings saved in this user's %LOCALAPPDATA%\tavelin-settings
# (where tavelin.conf lies; what was there is set aside and put back), and the
# Windows explorer on each record.
#   wine_scenarios.sh EXE_DIR WINEPREFIX HHTSIM TOOLS_DIR RECORDER_DLL
# EXE_DIR holds tavelin.exe, TOOLS_DIR the launcher, the explorer and the
# drivers.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
# shellcheck source=../windows/wine_com.sh
. "$top/tests/windows/wine_com.sh"
wine_test_start "$1" "$2" "$3"
tools=$(cd "$4" && pwd) && recorder_dll=$(realpath "$5") || exit 2
hhtsim=$sim
set -e
scratch=$(mktemp -d)
scratch=$(cd "$scratch" && pwd -P)
sim_pid= appdata=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  if [ -n "$appdata" ]; then
    rm -rf "$appdata/tavelin-settings"
    [ -e "$scratch/settings-before" ] && mv "$scratch/settings-before" "$appdata/tavelin-settings"
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT
# shellcheck source=scenarios.sh
. "$here/scenarios.sh"
if [ -n "${TAVELIN_QT_WIN:-}" ]; then
  WINEQT_PLUGIN_PATH=$(windows_path "$TAVELIN_QT_WIN/plugins")
  export WINEQT_PLUGIN_PATH
fi

# Paths in %LOCALAPPDATA% by the name the program finds it under.
pc_path() {
  if [ -n "$appdata" ] && [[ $1 == "$appdata" || $1 == "$appdata"/* ]]; then
    printf '%s%s' "$appdata_win" "${1#"$appdata"}" | tr / '\\'
  else
    windows_path "$1"
  fi
}
separator='\'
windows() { timeout -k 5 120 bash "$top/scripts/wine-run.sh" "$@"; }
recorded() {
  (cd "$work" && TAVELIN_CRASH_ROOT=$(pc_path "$root") TAVELIN_CRASH_RECORD=$(pc_path "$scratch/record") \
    WINE_RUN_ONCE=1 windows "$tools/tavelin-crash-launch.exe" "$(pc_path "$recorder_dll")" "$@")
}
# Windows has no sync program: the sync is written down as the recorder
# writes one.
synced() { printf 'Y\n' >> "$scratch/record"; }
program() {
  case $1 in
    tavelin) pc_path "$exe_dir/tavelin.exe" ;;
    *) pc_path "$tools/tavelin-crash-$1.exe" ;;
  esac
}
explore() {
  windows "$tools/tavelin-crash-explore.exe" --root "$(pc_path "$root")" --initial "$(pc_path "$scratch/initial")" \
    --record "$(pc_path "$scratch/record")" "$@"
}
copy_in() { recorded cmd /c type "$1" '>' DIRPRM.DAT; }
make_folder() { recorded cmd /c mkdir "$1"; }

wine_com_prefix
root=$scratch/fs
make_scenario_files
start_scenario_hht
link_com 1 "$scratch/ttyHHT"
run_transfer_scenarios

local_appdata
[ -e "$appdata/tavelin-settings" ] && mv "$appdata/tavelin-settings" "$scratch/settings-before"
root=$appdata
run_settings_scenario tavelin-settings
exit $failed
