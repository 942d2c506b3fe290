#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# What a distribution checks of the packages `make package` left in the
# build tree given: lintian (no error, no warning; the informational tags
# are printed, and cpack.cmake says why each stays), the desktop entry and
# the AppStream metadata against their validators, the manual pages with
# man's warnings on; then the packages' contents, unpacked into a scratch
# root with dpkg -x, and their programs run (package_test.sh). Last, that a
# packager's configuration (-DBUILD_TESTING=OFF) asks for no test framework.
#   package_check.sh BUILD_DIR
set -euo pipefail
build=$1
source_dir=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
passed=0 failed=0
check() { # NAME COMMAND...: runs it, prints its output, counts a failure
  local name=$1
  shift
  if "$@" >"$scratch/out" 2>&1; then
    echo "ok    $name"
    passed=$((passed + 1))
  else
    echo "FAIL  $name"
    failed=$((failed + 1))
  fi
  sed 's/^/      /' "$scratch/out"
}

debs=("$build"/tavelin_"$version"-*.deb "$build"/tavelin-hhtsim_"$version"-*.deb)
for deb in "${debs[@]}"; do
  [ -f "$deb" ] || { echo "no package $deb: run make package first"; exit 1; }
done

# --display-info shows the informational tags too; only errors and
# warnings fail.
check "lintian $(cd "$build" && echo tavelin_"$version"-*.deb tavelin-hhtsim_"$version"-*.deb)" \
  lintian --display-info --fail-on error,warning "${debs[@]}"

root=$scratch/root
for deb in "${debs[@]}"; do dpkg-deb -x "$deb" "$root"; done
check "desktop-file-validate" desktop-file-validate "$root"/usr/share/applications/*.desktop
check "appstreamcli validate --no-net" appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
for page in "$root"/usr/share/man/man1/*.1.gz; do
  # man prints its warnings on standard error; any is a failure.
  check "man --warnings $(basename "$page")" \
    bash -c 'MANWIDTH=80 man --warnings -l "$1" 2>&1 >/dev/null | (! grep .)' _ "$page"
done
check "package contents and programs (dpkg -x)" bash "$source_dir/packaging/package_test.sh" "$build" "$version" "$build"

# Configuring only: the build itself is the one above, with the tests.
packager=$scratch/packager
check "configure -DBUILD_TESTING=OFF: no GoogleTest, no Qt Test, no test" bash -c '
  cmake -S "$1" -B "$2" -G Ninja -DBUILD_TESTING=OFF >/dev/null
  ! grep -E "^(GTest_DIR|Qt6Test_DIR):" "$2/CMakeCache.txt"
  [ ! -e "$2/CTestTestfile.cmake" ] || ! grep -q add_test "$2/CTestTestfile.cmake"
  ! ninja -C "$2" -t targets all | grep -E "(_tests|_bench|gtest)[.:]"' _ "$source_dir" "$packager"

echo "package-check: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
