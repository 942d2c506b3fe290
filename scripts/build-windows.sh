#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Cross-builds the whole program and its tests for 64-bit Windows into
# build-win/ (mingw-w64, Qt from scripts/build-qt-mingw.sh's cache, built
# first when missing: half an hour; GoogleTest from Debian's sources), and
# the Linux simulator the tests under Wine talk to and the Linux renderer
# that draws the program's icon, when the Linux build has none. Installs
# what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-win

bash scripts/setup.sh cmake ninja-build g++ g++-mingw-w64-x86-64-posix wine64 googletest fonts-noto-cjk \
  qt6-base-dev qt6-serialport-dev icoutils python3-pefile
seconds() { date +%s; }
start=$(seconds)
qt=$(bash scripts/build-qt-mingw.sh | tail -n 1)
qt_ready=$(seconds)

# The far side of the tests that talk over a line is the Linux simulator,
# and the program's icon is drawn by the Linux icon renderer: the Linux
# build's, else both built here.
host_sim=$PWD/build/tavelin-hhtsim
host_icon=$PWD/build/packaging/render_icon
if [ ! -x "$host_sim" ] || [ ! -x "$host_icon" ]; then
  cmake -S . -B "$dir/host" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVELIN_CORE_ONLY=OFF -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$dir/host" -j "$(nproc)" --target tavelin-hhtsim render_icon
  host_sim=$PWD/$dir/host/tavelin-hhtsim
  host_icon=$PWD/$dir/host/packaging/render_icon
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
  -DTAVELIN_HOST_HHTSIM="$host_sim" -DTAVELIN_HOST_RENDER_ICON="$host_icon" >"$dir.configure.log" ||
  { cat "$dir.configure.log" >&2; exit 1; }
grep -E "leaves out" "$dir.configure.log" || true
rm -f "$dir.configure.log"
nice -n 10 cmake --build "$dir" -j "$(nproc)"
echo "Windows build: Qt ready in $((qt_ready - start)) s; program and tests built in $(($(seconds) - qt_ready)) s"
