#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A scheduled run under an account that never opened the settings dialog:
# the device chosen for all users of the PC (C:\ProgramData\tavelin\
# tavelin.conf) is the one it opens. COM4 of RSPRM.DAT is mapped there to
# COM2, where the simulated hand-held answers; the prefix has no COM4, so a
# run that missed the file ends with the port error. Checked: --help's
# device table, the batch start line, the file on the hand-held, and that
# TAVELIN_COM4 comes before the PC's choice.
#   wine_machine_devices.sh EXE_DIR WINEPREFIX [HHTSIM]
# The user's own tavelin.conf in the prefix, if any, is set aside for the
# run and put back after it.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
# shellcheck source=wine_com.sh
. "$here/wine_com.sh"
wine_test_start "$@"
unset TAVELIN_COM1 TAVELIN_COM2 TAVELIN_COM3 TAVELIN_COM4 TAVELIN_MACHINE_CONF

work=$(mktemp -d)
machine_dir="$WINEPREFIX/drive_c/ProgramData/tavelin"
aside=()
restore() {
  wine_com_cleanup
  rm -rf "$machine_dir"
  for own in "${aside[@]}"; do mv -f "$own.aside" "$own"; done
  rm -rf "$work"
}
trap restore EXIT

tavelin() {
  if [ -n "${TAVELIN_QT_WIN:-}" ]; then
    WINEQT_PLUGIN_PATH=$(windows_path "$TAVELIN_QT_WIN/plugins")
    export WINEQT_PLUGIN_PATH
  fi
  (cd "$work" && timeout -k 5 180 bash "$top/scripts/wine-run.sh" "$exe_dir/tavelin.exe" "$@")
}

wine_com_prefix || exit 1
for own in "$WINEPREFIX"/drive_c/users/*/AppData/Local/tavelin/tavelin.conf \
  "$WINEPREFIX"/drive_c/users/*/AppData/Local/tavelin-settings/tavelin.conf \
  "$WINEPREFIX"/drive_c/users/*/"Local Settings/Application Data"/tavelin/tavelin.conf; do
  [ -e "$own" ] || continue
  mv -f "$own" "$own.aside" && aside+=("$own")
done
mkdir -p "$machine_dir"
printf '[ports]\r\nCOM4=COM2\r\n' >"$machine_dir/tavelin.conf"

mkdir -p "$work/hht/001" "$work/down" "$work/up"
printf 'ITEM,4711,WIDGET\r\n' >"$work/down/MASTER.DAT"
rm -f "$WINEPREFIX/dosdevices/com4"
start_hht "$sim" "$work/hht" 1 "$work/ttyHHT" || exit 1
link_com 2 "$work/ttyHHT"
# 19200 bit/s 8N1 on COM4 (code 3); hand-held 1; one round.
printf '2210305008000\r\n' >"$work/RSPRM.DAT"
printf '1,1\r\n' >"$work/HHTPRM.DAT"
printf '%s\r\n' "$(windows_path "$work")\\AP.HEX" "$(windows_path "$work/down")\\" \
  "$(windows_path "$work/up")\\" OVER NEWHISTORY 1 >"$work/DIRPRM.DAT"

help=$(tavelin --help 2>&1)
grep -qF 'COM4  \\.\COM2  (chosen in ' <<<"$help" && grep -F 'COM4  \\.\COM2' <<<"$help" | grep -qF 'for this PC)' ||
  fail "--help does not name the PC's choice for COM4: $(grep -F COM4 <<<"$help")"

tavelin /DOWN >"$work/down.log" 2>&1
status=$?
[ $status -eq 0 ] || fail "/DOWN ended with status $status"
cmp -s "$work/down/MASTER.DAT" "$work/hht/001/MASTER.DAT" || fail "/DOWN: the hand-held did not get MASTER.DAT"
grep -F 'run on COM4 (\\.\COM2' "$work/down.log" | grep -qF 'for this PC)' ||
  fail "the start line does not say the PC's choice: $(grep -F 'run on' "$work/down.log")"

# The variable a scheduled task sets comes first.
help=$(TAVELIN_COM4=COM3 tavelin --help 2>&1)
grep -qF 'COM4  \\.\COM3  (TAVELIN_COM4)' <<<"$help" ||
  fail "--help does not name TAVELIN_COM4's device: $(grep -F COM4 <<<"$help")"

if [ $failures -gt 0 ]; then
  echo "--- /DOWN"; cat "$work/down.log"
  exit 1
fi
echo "tavelin.exe under Wine opens the device chosen for all users of the PC (COM4 -> COM2) and honours TAVELIN_COM4"
