#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A batch run on a desktop where nobody answers: tavelin.exe /DOWN with an
# out-of-range RSPRM.DAT shows its box through Qt's Windows platform on
# Wine's desktop on an X server of the test's own (Xvfb: without a display
# Wine makes no window, and Qt no timer), not the offscreen platform, which
# shows no box at all, and
# ends by itself once the box's bound has passed (shortened here through
# TAVELIN_BOX_WAIT_MS), with status 1 and RESULT.DAT's code 2 line, as an
# answered box ends it, and says so in an error entry of the Application log.
#   wine_unanswered_box.sh EXE_DIR WINEPREFIX [HHTSIM]   (a prefix no other test uses)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
# shellcheck source=wine_com.sh
. "$here/wine_com.sh"
wine_test_start "$@"
unset WINEQT_QPA_PLATFORM

work=$(mktemp -d)
xserver=
# Wine's desktop takes the display of the first program of its server: the
# prefix is this test's own, and its server ends with the test.
trap '"$wineserver" -k 2>/dev/null; [ -z "$xserver" ] || kill "$xserver"; rm -rf "$work"' EXIT
[ -x /usr/bin/Xvfb ] || { echo "no X server for this test: Xvfb (Debian package xvfb, installed by make setup) is needed" >&2; exit 1; }
display=$((300 + $$ % 600))
/usr/bin/Xvfb ":$display" -nolisten tcp -screen 0 800x600x24 >/dev/null 2>&1 &
xserver=$!
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.05; done
export DISPLAY=":$display"
if [ -n "${TAVELIN_QT_WIN:-}" ]; then
  WINEQT_PLUGIN_PATH=$(windows_path "$TAVELIN_QT_WIN/plugins")
  export WINEQT_PLUGIN_PATH
fi
wine_com_prefix || exit 1
printf '1,1\r\n' >"$work/HHTPRM.DAT"
printf '%s\r\n' 'C:\ap\AP.HEX' 'C:\down\' 'C:\up\' OVER NEWHISTORY 1 >"$work/DIRPRM.DAT"

printf '2210005008009\r\n' >"$work/RSPRM.DAT" # out of range
(cd "$work" && WINEDEBUG=-all,+eventlog TAVELIN_BOX_WAIT_MS=1500 timeout -k 5 120 bash "$top/scripts/wine-run.sh" "$exe_dir/tavelin.exe" \
  /DOWN) >"$work/run.log" 2>&1
status=$?
[ $status -eq 1 ] || fail "/DOWN ended with status $status"
grep -q "nobody answered the message box within 1.5 s" "$work/run.log" ||
  fail "no box waited for its bound: $(cat "$work/run.log")"
got=$(LC_ALL=C sed 's|^[0-9/]*,[0-9:]*,||' "$work/RESULT.DAT" 2>/dev/null | iconv -f CP932 -t UTF-8 | cut -d, -f1-2)
[ "$got" = "-1 , 2 " ] || fail "RESULT.DAT says '$got', not code 2"
expect_event "$work/run.log" err ',-1 , 2 ,' 'exit status: 1'

[ $failures -eq 0 ] || exit 1
echo "tavelin.exe /DOWN under Wine: a box nobody answers ends the batch run after its bound, status 1, RESULT.DAT written"
