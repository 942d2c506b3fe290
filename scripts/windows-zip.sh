#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes build-win/tavelin-<version>-windows-x64.zip from what
# scripts/windows-stage.sh puts together (the program, its DLLs and plugins,
# README.txt, the samples and the Task Scheduler example), then tries it as
# a user gets it (tests/windows/zip_test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-win

staged=$(bash scripts/windows-stage.sh | tail -n 1)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")
name=tavelin-$version-windows-x64
rm -rf "$dir/zip"
mkdir -p "$dir/zip"
cp -r "$staged" "$dir/zip/$name"
zip=$dir/$name.zip
rm -f "$zip"
(cd "$dir/zip" && cmake -E tar cf "../$name.zip" --format=zip "$name")
echo "$zip: $(du -sh "$dir/zip/$name" | cut -f1) unpacked, $(du -h "$zip" | cut -f1) zipped," \
  "$(find "$dir/zip/$name" -name '*.dll' | wc -l) DLLs"

# The zip as a user gets it, against the Linux simulator the Windows build
# used (the Linux build's, else the one built beside build-win/).
sim=build/tavelin-hhtsim
[ -x "$sim" ] || sim=$dir/host/tavelin-hhtsim
bash tests/windows/zip_test.sh "$zip" "$PWD/$sim"
