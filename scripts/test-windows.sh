#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Cross-builds the Qt-free core and its in-process tests for 64-bit Windows
# into build-win/ (mingw-w64, GoogleTest built from Debian's sources) and runs
# the tests under Wine with ctest. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-win

bash scripts/setup.sh cmake ninja-build g++ g++-mingw-w64-x86-64-posix wine64 googletest

# A prefix of our own in the build tree: nothing of the user's Wine is used
# or changed, and rm -rf build-win starts afresh. Console programs only: no
# display is needed, nor the Mono and Gecko add-ons a first start offers.
export WINEPREFIX="$PWD/$dir/wine"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)

seconds() { date +%s; }
start=$(seconds)
# The far side of the tests that talk over a line is the Linux simulator:
# the Linux build's, else one built here without Qt.
host_sim=$PWD/build/tavelin-hhtsim
if [ ! -x "$host_sim" ]; then
  cmake -S . -B "$dir/host" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVELIN_CORE_ONLY=ON -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$dir/host" -j "$(nproc)" --target tavelin-hhtsim
  host_sim=$PWD/$dir/host/tavelin-hhtsim
fi
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DTAVELIN_CORE_ONLY=ON -DTAVELIN_GTEST_SOURCE_DIR=/usr/src/googletest \
  -DTAVELIN_HOST_HHTSIM="$host_sim" >/dev/null
cmake --build "$dir" -j "$(nproc)"
built=$(seconds)

# One server for the whole run, started before anything else uses the
# prefix: each test then starts in a fraction of a second instead of
# bringing Wine up anew. It is ended however the run ends. The first start
# creates the prefix (about ten seconds); later ones find it up to date.
mkdir -p "$WINEPREFIX"
"$wineserver" -p || true # already running for this prefix is as good
trap '"$wineserver" -k 2>/dev/null || true' EXIT
if ! "$wine" wineboot --init >"$dir/wineboot.log" 2>&1; then
  cat "$dir/wineboot.log" >&2
  exit 1
fi
(cd "$dir" && ctest --output-on-failure -j 2)
echo "Windows build: $((built - start)) s; Wine start and tests: $(($(seconds) - built)) s"
