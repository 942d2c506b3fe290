#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows port's exchange with the simulated hand-held under Wine:
#   wine_line_test.sh LINE_TESTS_EXE HHTSIM
# LINE_TESTS_EXE is link_win32_line_tests.exe of the Windows build, HHTSIM the
# Linux tavelin-hhtsim. COM7 of the prefix (WINEPREFIX, else the build's own
# beside the test) leads to the simulator, which serves ID 1 holding one file;
# the tests end the simulator through a file when they want its far side gone.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
exe=$1
sim=$2
if [ ! -x "$sim" ]; then
  echo "skipped: no Linux simulator at $sim (make build makes it)"
  exit 77
fi
export WINEPREFIX=${WINEPREFIX:-$(cd "$(dirname "$exe")/.." && pwd)/wine}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
# shellcheck source=wine_com.sh
. "$here/wine_com.sh"

work=$(mktemp -d)
watcher=
finish() {
  [ -n "$watcher" ] && kill "$watcher" 2>/dev/null
  wine_com_cleanup
  rm -rf "$work"
}
trap finish EXIT

wine_com_prefix || exit 1
mkdir -p "$work/hht/001"
printf hello >"$work/hht/001/HELLO.TXT"
# At the line's speed, so the figures printed compare with a real line.
start_hht "$sim" "$work/hht" 1 "$work/ttyHHT" --baud 19200 || exit 1
link_com 7 "$work/ttyHHT"

# The simulator ends when the tests create the end file.
(
  while [ ! -e "$work/end" ]; do sleep 0.05; done
  kill "$hht_pid"
) &
watcher=$!

TAVELIN_TEST_COM=COM7 TAVELIN_TEST_HHT_DIR=$(windows_path "$work/hht") \
  TAVELIN_TEST_END_FILE="$(windows_path "$work")\\end" \
  bash "$here/../../scripts/wine-run.sh" "$exe"
