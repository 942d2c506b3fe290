#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs under Wine with ctest every test of the Windows build (see
# scripts/build-windows.sh, called first) that can run on Windows, the
# window tests included.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-win

bash scripts/build-windows.sh
# scripts/wine-run.sh puts Qt's DLLs on the search path with it; Qt finds
# its plugins beside them.
TAVELIN_QT_WIN=$(bash scripts/build-qt-mingw.sh 2>/dev/null | tail -n 1)
export TAVELIN_QT_WIN
start=$(date +%s)

# A prefix of our own in the build tree: nothing of the user's Wine is used
# or changed, and rm -rf build-win starts afresh. No display is needed (the
# window tests draw offscreen), nor the Mono and Gecko add-ons a first start
# offers.
export WINEPREFIX="$PWD/$dir/wine"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)

# One server for the whole run, started before anything else uses the
# prefix: each test then starts in a fraction of a second instead of
# bringing Wine up anew. It is ended however the run ends. The first start
# creates the prefix (about ten seconds); later ones find it up to date.
mkdir -p "$WINEPREFIX"
# Its own messages (a dump of its objects when a program leaves some
# behind) go to a log, not between the test results.
"$wineserver" -p </dev/null >"$dir/wineserver.log" 2>&1 || true # already running for this prefix is as good
trap '"$wineserver" -k 2>/dev/null || true' EXIT
if ! "$wine" wineboot --init >"$dir/wineboot.log" 2>&1; then
  cat "$dir/wineboot.log" >&2
  exit 1
fi
# The fonts the prefix has, as a Japanese Windows has its UI font: the
# window tests' offscreen platform reads them from the Windows font folder.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
mkdir -p "$fonts"
for font in /usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc; do
  [ -f "$font" ] && ln -sf "$font" "$fonts/"
done
(cd "$dir" && ctest --output-on-failure -j 2)
echo "Windows tests: Wine start and tests in $(($(date +%s) - start)) s"
