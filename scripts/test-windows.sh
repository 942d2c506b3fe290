#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Cross-builds the whole program and its tests for 64-bit Windows into
# build-win/ (mingw-w64, Qt from scripts/build-qt-mingw.sh's cache,
# GoogleTest built from Debian's sources) and runs under Wine with ctest
# every test that can run on Windows, the window tests included. Installs
# what is missing first; builds Qt when its cache is missing (half an hour).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-win

bash scripts/setup.sh cmake ninja-build g++ g++-mingw-w64-x86-64-posix wine64 googletest fonts-noto-cjk
seconds() { date +%s; }
start=$(seconds)
qt=$(bash scripts/build-qt-mingw.sh | tail -n 1)
# scripts/wine-run.sh puts Qt's DLLs on the search path with it; Qt finds
# its plugins beside them.
export TAVELIN_QT_WIN=$qt
qt_ready=$(seconds)

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

# The far side of the tests that talk over a line is the Linux simulator:
# the Linux build's, else one built here without Qt.
host_sim=$PWD/build/tavelin-hhtsim
if [ ! -x "$host_sim" ]; then
  cmake -S . -B "$dir/host" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVELIN_CORE_ONLY=ON -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$dir/host" -j "$(nproc)" --target tavelin-hhtsim
  host_sim=$PWD/$dir/host/tavelin-hhtsim
fi
# Qt's toolchain file finds Qt and loads ours for the compiler. CMake keeps
# the toolchain a tree was first configured with: a tree made for the core
# alone, or for another Qt, is configured afresh.
toolchain=$qt/lib/cmake/Qt6/qt.toolchain.cmake
if [ -f "$dir/CMakeCache.txt" ] &&
  ! grep -qE "^CMAKE_TOOLCHAIN_FILE:[A-Z]*=$toolchain\$" "$dir/CMakeCache.txt"; then
  echo "test-windows: $dir was configured with another toolchain; configuring it afresh" >&2
  rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles"
fi
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
  -DTAVELIN_CORE_ONLY=OFF -DTAVELIN_GTEST_SOURCE_DIR=/usr/src/googletest \
  -DTAVELIN_HOST_HHTSIM="$host_sim" >"$dir.configure.log" ||
  { cat "$dir.configure.log" >&2; exit 1; }
grep -E "leaves out" "$dir.configure.log" || true
rm -f "$dir.configure.log"
nice -n 10 cmake --build "$dir" -j "$(nproc)"
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
# The fonts the prefix has, as a Japanese Windows has its UI font: the
# window tests' offscreen platform reads them from the Windows font folder.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
mkdir -p "$fonts"
for font in /usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc; do
  [ -f "$font" ] && ln -sf "$font" "$fonts/"
done
(cd "$dir" && ctest --output-on-failure -j 2)
echo "Windows: Qt ready in $((qt_ready - start)) s; build $((built - qt_ready)) s;" \
  "Wine start and tests $(($(seconds) - built)) s"
