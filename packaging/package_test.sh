#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the two Debian packages from the build tree given (or takes them
# from DEB_DIR), unpacks them into a scratch directory (nothing is installed)
# and checks what each holds, and that the programs in it run.
#   package_test.sh BUILD_DIR VERSION [DEB_DIR]
set -euo pipefail
build=$1 version=$2 debs=${3:-}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "$*"; exit 1; }

if [ -z "$debs" ]; then
  debs=$scratch/out
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$debs" >"$scratch/cpack.log" 2>&1 \
    || { cat "$scratch/cpack.log"; exit 1; }
fi
program=$(echo "$debs"/tavelin_"$version"-*.deb)
simulator=$(echo "$debs"/tavelin-hhtsim_"$version"-*.deb)
[ -f "$program" ] && [ -f "$simulator" ] || fail "no tavelin and tavelin-hhtsim packages of $version in $debs: $(ls "$debs")"
echo "packages: $(basename "$program") $(basename "$simulator")"

# Outputs are taken whole before they are searched: grep -q leaving early
# would kill the writer with SIGPIPE, which pipefail reports as a failure.
# The dependencies are the libraries the programs link, found by
# dpkg-shlibdeps; the simulator needs no Qt.
fields=$(dpkg-deb -f "$program" Depends Recommends)
echo "tavelin: $fields"
for library in libqt6serialport6 libqt6widgets6 libstdc++6 libgcc-s1 libc6; do
  grep -q "$library" <<<"$fields" || fail "tavelin: no $library in Depends"
done
fields=$(dpkg-deb -f "$simulator" Depends)
echo "tavelin-hhtsim: $fields"
grep -q libstdc++6 <<<"$fields" || fail "tavelin-hhtsim: no libstdc++6 in Depends"
! grep -q libqt6 <<<"$fields" || fail "tavelin-hhtsim depends on Qt"

# The changelog's latest entry is this version's: a new version needs one.
package_version=$(dpkg-deb -f "$program" Version)
root=$scratch/root
dpkg-deb -x "$program" "$root"
dpkg-deb -x "$simulator" "$root"
entry=$(zcat "$root/usr/share/doc/tavelin/changelog.Debian.gz" | head -n 1)
[[ $entry == "tavelin ($package_version) "* ]] \
  || fail "packaging/changelog: the latest entry is \"$entry\", not one for $package_version"

contents() { dpkg-deb -c "$1" | awk '{ print $NF }' | sed 's|^\./|/|'; }
listing=$(contents "$program")
for file in /usr/bin/tavelin /usr/share/applications/org.example.tavelin.desktop \
            /usr/share/metainfo/org.example.tavelin.metainfo.xml /usr/share/man/man1/tavelin.1.gz \
            /usr/share/doc/tavelin/copyright /usr/share/doc/tavelin/changelog.Debian.gz \
            /usr/share/icons/hicolor/{48x48,64x64,128x128,256x256}/apps/tavelin.png; do
  grep -qx "$file" <<<"$listing" || fail "missing from tavelin: $file"
done
! grep -q hhtsim <<<"$listing" || fail "tavelin holds the simulator: $(grep hhtsim <<<"$listing")"
listing=$(contents "$simulator")
for file in /usr/bin/tavelin-hhtsim /usr/share/man/man1/tavelin-hhtsim.1.gz \
            /usr/share/doc/tavelin-hhtsim/copyright /usr/share/doc/tavelin-hhtsim/changelog.Debian.gz; do
  grep -qx "$file" <<<"$listing" || fail "missing from tavelin-hhtsim: $file"
done
[ "$(grep -c '^/usr/bin/.' <<<"$listing")" -eq 1 ] || fail "tavelin-hhtsim holds more programs: $listing"

# Each icon is a PNG of the size its directory names (the width and height
# are the big-endian words at bytes 16 and 20 of the header).
for size in 48 64 128 256; do
  icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/tavelin.png
  [ "$(head -c 4 "$icon" | tail -c 3)" = PNG ] || fail "icon $size is no PNG"
  read -r width height < <(od -An -tu1 -j16 -N8 "$icon" | awk '{ print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }')
  [ "$width $height" = "$size $size" ] || fail "icon $size is $width x $height"
done
grep -q "^Exec=tavelin --desktop$" "$root/usr/share/applications/org.example.tavelin.desktop" || fail "desktop entry without Exec"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/org.example.tavelin.metainfo.xml" \
  || fail "metainfo without this release"
for page in tavelin tavelin-hhtsim; do
  zcat "$root/usr/share/man/man1/$page.1.gz" | grep -q "Tavelin $version" || fail "$page.1 without the version"
done
grep -q "^License: Expat" "$root/usr/share/doc/tavelin/copyright" || fail "copyright names no licence"

help=$("$root/usr/bin/tavelin-hhtsim" --help)
grep -q -- --device <<<"$help" || fail "tavelin-hhtsim --help: $help"
# The program as packaged finds its libraries and says its version.
said=$(cd "$scratch" && env -u DISPLAY -u WAYLAND_DISPLAY timeout 20 "$root/usr/bin/tavelin" --version)
grep -q "$version" <<<"$said" || fail "tavelin --version: $said"
echo "package contents: ok"
