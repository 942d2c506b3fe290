#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian source and binary packages as a distribution would and
# checks them:
#   1. a clean export of the working tree (tracked and new files, whatever is
#      committed or not; ignored files left out), an upstream tarball of it
#      without debian/ (files 644 or 755 whoever makes it, under any umask),
#      and dpkg-buildpackage -us -uc in OUT/1, which runs the test suite;
#   2. lintian --pedantic on the .changes (the .dsc and every package): no
#      error, no warning; the informational tags are printed; the source's
#      metadata (Standards-Version, changelog, build flags);
#   3. desktop-file-validate, appstreamcli validate --no-net and
#      man --warnings on the unpacked packages, package_test.sh on them;
#   4. systemd-analyze verify on every unit, in a scratch root that holds
#      the packages and this machine's own units;
#   5. autopkgtest with the null runner, which installs the packages on this
#      machine (root only); they are purged afterwards unless they were
#      installed before, and a site's enabled timer link is left by the
#      remove and taken away by the purge;
#   6. a second build of the same tarball in OUT/2, -b with nocheck (build
#      profile and option), and the .deb files of both compared byte for
#      byte (diffoscope shows a difference).
#   7. that a packager's configuration (-DBUILD_TESTING=OFF) asks for no
#      test framework.
# --build stops after 1 (make package), --quick after 4.
#   package_check.sh [--build | --quick] [OUT]   (OUT: build/deb)
set -euo pipefail
# What is made here has the same modes whoever makes it.
umask 022
stop=
case ${1:-} in --build | --quick) stop=${1#--}; shift ;; esac
source_dir=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$source_dir/build/deb}
case $out in /*) ;; *) out=$PWD/$out ;; esac
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
seconds() { date +%s; }
started=$(seconds)

cd "$source_dir"
version=$(dpkg-parsechangelog -S Version)
upstream=${version%-*}
project=$(sed -n 's/^project(Tavelin VERSION \([^ ]*\) .*/\1/p' CMakeLists.txt)
[ "$upstream" = "$project" ] || { echo "debian/changelog is at $version, CMakeLists.txt at $project: add a changelog entry"; exit 1; }
epoch=$(dpkg-parsechangelog -S Timestamp)
arch=$(dpkg --print-architecture)

# The working tree as a tree object, through an index of its own (the
# repository's index and refs are left alone).
cp "$(git rev-parse --git-path index)" "$scratch/index"
GIT_INDEX_FILE=$scratch/index git add -A
tree=$(GIT_INDEX_FILE=$scratch/index git write-tree)
rm -rf "$out"
mkdir -p "$out/1" "$out/2"
name=tavelin-$upstream
git archive --prefix="$name/" "$tree" | tar -x --no-same-permissions -C "$scratch"
# The upstream tarball: the same bytes from the same tree, whenever and by
# whomever made (the modes 644 and 755 whatever the umask).
tar -C "$scratch" --sort=name --mtime="@$epoch" --owner=0 --group=0 --numeric-owner --mode=u+rw,go=rX \
  --exclude="$name/debian" -cf - "$name" | gzip -9n >"$out/1/tavelin_$upstream.orig.tar.gz"
cp "$out/1/tavelin_$upstream.orig.tar.gz" "$out/2/"
for n in 1 2; do
  tar -C "$out/$n" -xzf "$out/$n/tavelin_$upstream.orig.tar.gz"
  cp -a "$scratch/$name/debian" "$out/$n/$name/"
done

build() { # N OPTIONS...: dpkg-buildpackage in OUT/N, its log in OUT/N/build.log
  local n=$1 start
  shift
  start=$(seconds)
  # GIT_CEILING_DIRECTORIES: the export is no checkout, even inside one.
  if (cd "$out/$n/$name" && GIT_CEILING_DIRECTORIES=$out dpkg-buildpackage "$@" >"$out/$n/build.log" 2>&1); then
    echo "ok    dpkg-buildpackage $* ($(($(seconds) - start)) s; log in $out/$n/build.log)"
    passed=$((passed + 1))
  else
    echo "FAIL  dpkg-buildpackage $* (log in $out/$n/build.log):"
    tail -n 60 "$out/$n/build.log" | sed 's/^/      /'
    echo "package-check: $passed passed, $((failed + 1)) failed"
    exit 1
  fi
}
parallel=${DEB_BUILD_OPTIONS:-parallel=2}
DEB_BUILD_OPTIONS=$parallel build 1 -us -uc
grep -E "tests passed|\*\*\*Skipped|Not Run" "$out/1/build.log" | sed 's/^/      /' || true
if [ "$stop" = build ]; then
  ls "$out"/1/*.deb "$out"/1/*.dsc
  exit
fi

changes=$out/1/tavelin_${version}_$arch.changes
check "lintian --pedantic $(basename "$changes")" \
  lintian --pedantic --display-info --fail-on error,warning "$changes"

# The source's metadata: the policy version lintian knows as the newest, the
# changelog begun with one entry for the package's first upload, the build
# flags dpkg-buildflags' alone (no fortify level of the project's over them),
# and the upstream tarball's modes.
check "source metadata" bash -c '
  newest=$(python3 -c "import json; print(json.load(open(\"/usr/share/lintian/data/debian-policy/releases.json\"))[\"releases\"][0][\"version\"])")
  declared=$(sed -n "s/^Standards-Version: //p" debian/control)
  [ "$declared" = "${newest%.0}" ] || { echo "Standards-Version $declared, the newest is $newest"; exit 1; }
  oldest=$(dpkg-parsechangelog --count 1 --offset $(($(dpkg-parsechangelog --all -S Version | wc -l) - 1)) -S Changes)
  grep -q "Initial release" <<<"$oldest" || { echo "the oldest changelog entry is no initial release: $oldest"; exit 1; }
  ! grep -n -- -U_FORTIFY_SOURCE "$1/1/build.log" | head -n 3 | grep . || exit 1
  grep -q -- -D_FORTIFY_SOURCE "$1/1/build.log" || { echo "the build had no fortify flag"; exit 1; }
  modes=$(tar -tvzf "$1"/1/*.orig.tar.gz | cut -c1-10 | sort -u | tr "\n" " ")
  [ "$modes" = "-rw-r--r-- -rwxr-xr-x drwxr-xr-x " ] || { echo "upstream tarball modes: $modes"; exit 1; }
  echo "Standards-Version $declared; $(dpkg-parsechangelog --all -S Version | wc -l) changelog entry; upstream tarball modes $modes"' _ "$out"

root=$scratch/root
for deb in "$out"/1/*_"$version"_"$arch".deb; do dpkg-deb -x "$deb" "$root"; done
check "desktop-file-validate" desktop-file-validate "$root"/usr/share/applications/*.desktop
check "appstreamcli validate --no-net" appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
for page in "$root"/usr/share/man/man1/*.1.gz "$root"/usr/share/man/man5/*.5.gz; do
  # man prints its warnings on standard error; any is a failure.
  check "man --warnings $(basename "$page")" \
    bash -c 'MANWIDTH=80 man --warnings -l "$1" 2>&1 >/dev/null | (! grep .)' _ "$page"
done
check "package contents and programs (dpkg -x)" bash "$source_dir/packaging/package_test.sh" "$upstream" --debs "$out/1"

# systemd-analyze verify loads what a unit needs (sysinit.target and the
# rest), so the scratch root holds this machine's units too; it reports a
# bad line on standard error without failing, so any output is a failure.
mkdir -p "$root/lib/systemd" "$root/etc/systemd/system"
cp -an /lib/systemd/system "$root/lib/systemd/"
# and the programs of this machine that the units run (rm).
for program in $(sed -n 's/^Exec[A-Za-z]*=[-@+!:]*\([^ ]*\).*/\1/p' "$root"/usr/lib/systemd/system/tavelin-*@.service | sort -u); do
  [ -e "$root$program" ] || install -D "$program" "$root$program" || failed=$((failed + 1))
done
for unit in "$root"/usr/lib/systemd/system/tavelin-*@.*; do
  instance=$(basename "$unit" | sed 's/@\./@shop1./')
  check "systemd-analyze verify $instance" \
    bash -c 'systemd-analyze verify --man=no --root="$1" "$2" 2>&1 | (! grep .)' _ "$root" "$instance"
done
for unit in tavelin-down@shop1.service tavelin-up@shop1.service; do
  echo "      $unit: $(systemd-analyze security --offline=yes --root="$root" "$unit" 2>/dev/null | grep 'Overall exposure')"
done

# Configuring only: the build itself is the one above, with the tests.
packager=$scratch/packager
check "configure -DBUILD_TESTING=OFF: no GoogleTest, no Qt Test, no test" bash -c '
  cmake -S "$1" -B "$2" -G Ninja -DBUILD_TESTING=OFF >/dev/null
  ! grep -E "^(GTest_DIR|Qt6Test_DIR):" "$2/CMakeCache.txt"
  [ ! -e "$2/CTestTestfile.cmake" ] || ! grep -q add_test "$2/CTestTestfile.cmake"
  ! ninja -C "$2" -t targets all | grep -E "(_tests|_bench|gtest)[.:]"' _ "$source_dir" "$packager"

if [ "$stop" = quick ]; then
  echo "package-check --quick: $passed passed, $failed failed ($(($(seconds) - started)) s)"
  [ "$failed" -eq 0 ]
  exit
fi

# The null runner installs on this machine: root only, and what it
# installed goes again.
if [ "$(id -u)" -ne 0 ]; then
  echo "FAIL  autopkgtest: the null runner installs the packages, which needs root"
  failed=$((failed + 1))
else
  installed=()
  for package in tavelin tavelin-hhtsim; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" && installed+=("$package")
  done
  start=$(seconds)
  # Its whole log in OUT/autopkgtest.log; here the tests' lines and verdicts.
  check "autopkgtest (null runner)" bash -c 'status=0
    autopkgtest "$1" -- null >"$2" 2>&1 || status=$?
    grep -E "^(batch-transfer|window-start|site-setup) |^(ok|FAIL): " "$2" || true
    exit "$status"' _ "$changes" "$out/autopkgtest.log"
  echo "      autopkgtest: $(($(seconds) - start)) s"
  # A site enabled as the guides enable one (systemctl works on the links
  # without a running systemd): the remove leaves the link, the purge not.
  if [[ " ${installed[*]} " != *" tavelin "* ]] && dpkg-query -W -f='${Status}' tavelin 2>/dev/null | grep -q "install ok installed"; then
    check "an enabled site's timer: kept by dpkg --remove, gone after --purge" bash -c '
      link=/etc/systemd/system/timers.target.wants/tavelin-down@shop1.timer
      systemctl enable tavelin-down@shop1.timer 2>&1
      [ -L "$link" ] || { echo "systemctl enable made no $link"; exit 1; }
      dpkg --remove tavelin >/dev/null
      [ -L "$link" ] || { echo "dpkg --remove took the link away"; exit 1; }
      dpkg --purge tavelin >/dev/null
      [ ! -L "$link" ] || { echo "dpkg --purge left $(ls -l "$link")"; rm -f "$link"; exit 1; }'
  fi
  for package in tavelin tavelin-hhtsim; do
    [[ " ${installed[*]} " == *" $package "* ]] || dpkg --purge "$package" >/dev/null 2>&1 || true
  done
fi

# The second build: another directory, no tests, binary packages only.
DEB_BUILD_OPTIONS="nocheck $parallel" DEB_BUILD_PROFILES=nocheck build 2 -us -uc -b
same() {
  local first second different=0
  for first in "$out"/1/*.deb "$out"/1/*.ddeb; do
    [ -e "$first" ] || continue
    second=$out/2/$(basename "$first")
    if [ ! -f "$second" ]; then
      echo "only in the first build: $(basename "$first")"
      different=1
    elif cmp -s "$first" "$second"; then
      echo "same: $(basename "$first") ($(stat -c %s "$first") bytes)"
    else
      echo "DIFFERENT: $(basename "$first")"
      diffoscope --text - "$first" "$second" | head -n 200 || true
      different=1
    fi
  done
  return "$different"
}
check "reproducible: the packages of two builds byte for byte" same

echo "package-check: $passed passed, $failed failed ($(($(seconds) - started)) s)"
[ "$failed" -eq 0 ]
