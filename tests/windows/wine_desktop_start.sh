#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Start-menu start of a Windows PC under Wine: tavelin.exe --desktop /DOWN
# with neither HOME nor XDG_* set runs in this user's %LOCALAPPDATA%\tavelin,
# made on first use with the starter parameter files, and writes its
# RESULT.DAT there (against the simulated hand-held on COM1, as the starter
# files ask): nothing in the folder it was started from, nothing beside the
# program. Also checked: --help speaks of Windows' folders and stop keys,
# and an earlier version's settings file in that folder moves out of it.
#   wine_desktop_start.sh EXE_DIR WINEPREFIX [HHTSIM]
# This user's tavelin folder in the prefix is emptied first.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
# shellcheck source=wine_com.sh
. "$here/wine_com.sh"
wine_test_start "$@"

work=$(mktemp -d)
trap 'wine_com_cleanup; rm -rf "$work"' EXIT
# Without HOME and XDG_*, which Wine would hand on to the program.
tavelin() {
  if [ -n "${TAVELIN_QT_WIN:-}" ]; then
    WINEQT_PLUGIN_PATH=$(windows_path "$TAVELIN_QT_WIN/plugins")
    export WINEQT_PLUGIN_PATH
  fi
  (cd "$work/started-here" && timeout -k 5 180 env -u HOME -u XDG_DATA_HOME -u XDG_CONFIG_HOME \
    -u XDG_RUNTIME_DIR bash "$top/scripts/wine-run.sh" "$exe_dir/tavelin.exe" "$@")
}

wine_com_prefix || exit 1
local_appdata
data="${appdata%/}/tavelin"
rm -rf "$data"
mkdir -p "$work/started-here" "$work/hht"
start_hht "$sim" "$work/hht" 1 "$work/ttyHHT" || exit 1
link_com 1 "$work/ttyHHT"

tavelin --desktop /DOWN >"$work/desktop.log" 2>&1
status=$?
[ $status -eq 0 ] || fail "--desktop /DOWN ended with status $status"
for name in RSPRM.DAT HHTPRM.DAT DIRPRM.DAT RESULT.DAT; do
  [ -f "$data/$name" ] || fail "no $name in $data"
done
[ -d "$data/down" ] && [ -d "$data/up" ] || fail "no down and up folders in $data"
expected=$(printf ' 0 , 1 ,正常終了\r\n' | iconv -f UTF-8 -t CP932 | od -An -tx1)
got=$(LC_ALL=C sed 's|^[0-9/]*,[0-9:]*,||' "$data/RESULT.DAT" 2>/dev/null | od -An -tx1)
[ "$got" = "$expected" ] || fail "RESULT.DAT: $(od -c "$data/RESULT.DAT" 2>&1 | head -3)"
grep -q "wrote starter parameter files in" "$work/desktop.log" || fail "the starter files were not announced"
grep -q "Ctrl+Break" "$work/desktop.log" || fail "the start line does not name the console's stop keys"
[ -z "$(ls -A "$work/started-here")" ] || fail "files in the folder it was started from: $(ls -A "$work/started-here")"
for name in RESULT.DAT RSPRM.DAT HISTORY.DAT; do
  [ ! -e "$exe_dir/$name" ] || fail "$name beside the program"
done

# An earlier version kept this user's settings in that folder, where the
# operator's file list reaches them: the next start moves the file whole to
# %LOCALAPPDATA%\tavelin-settings, and the folder it remembers still opens.
# One already there is never replaced.
settings="${appdata%/}/tavelin-settings"
rm -rf "$settings" "$data/RESULT.DAT"
printf '[workdir]\r\nlast=%s\r\n' "$(tr '\\' / <<<"$appdata_win")/tavelin" >"$data/tavelin.conf"
cp "$data/tavelin.conf" "$work/former.conf"
tavelin --desktop /DOWN >"$work/moved.log" 2>&1 || fail "--desktop /DOWN with former settings ended with status $?"
[ ! -e "$data/tavelin.conf" ] || fail "the settings file is still in the work folder $data"
cmp -s "$work/former.conf" "$settings/tavelin.conf" || fail "the settings file did not arrive whole in $settings"
grep -q "tavelin-settings.*apart from the work folder" "$work/moved.log" || fail "the move was not said"
[ -f "$data/RESULT.DAT" ] || fail "the remembered work folder $data was not the one run in"
printf '[workdir]\r\nlast=C:/elsewhere\r\n' >"$data/tavelin.conf"
tavelin --desktop /DOWN >"$work/both.log" 2>&1 || fail "--desktop /DOWN with two settings files ended with status $?"
cmp -s "$work/former.conf" "$settings/tavelin.conf" || fail "a settings file was replaced by an earlier version's"
[ -f "$data/tavelin.conf" ] || fail "an earlier version's settings file was removed though not moved"
rm -f "$data/tavelin.conf"

tavelin --help >"$work/help.log" 2>&1 || fail "--help ended with status $?"
for words in '%LOCALAPPDATA%\tavelin-settings\tavelin.conf' '%ProgramData%\tavelin\tavelin.conf' 'ENDPRM.DAT' \
  'Ctrl+Break' 'close that' '%LOCALAPPDATA%\tavelin (created'; do
  grep -qF "$words" "$work/help.log" || fail "--help does not say $words"
done
for words in SIGHUP XDG_ /dev/ttyS; do
  ! grep -qF "$words" "$work/help.log" || fail "--help speaks of $words"
done

if [ $failures -gt 0 ]; then
  echo "--- --desktop /DOWN"; cat "$work/desktop.log"; echo "--- --help"; cat "$work/help.log"
  echo "--- the settings moved"; cat "$work/moved.log"
  exit 1
fi
echo "tavelin.exe --desktop /DOWN under Wine without HOME: ran in $appdata_win\\tavelin with starter files; --help speaks Windows"
