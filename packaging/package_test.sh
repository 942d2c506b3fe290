#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks what an install lays out and that the programs in it run, in a
# scratch directory (nothing is installed on this machine):
#   package_test.sh VERSION --install BUILD_DIR   cmake --install of the build tree
#   package_test.sh VERSION --debs DEB_DIR        the two Debian packages, unpacked
# The packages are checked further: their dependencies, which package holds
# what, the copyright and changelog, the systemd units and the system user.
set -euo pipefail
version=$1 mode=$2 from=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "$*"; exit 1; }
root=$scratch/root
id=org.example.tavelin

# Outputs are taken whole before they are searched: grep -q leaving early
# would kill the writer with SIGPIPE, which pipefail reports as a failure.
if [ "$mode" = --install ]; then
  DESTDIR=$root cmake --install "$from" --prefix /usr >"$scratch/install.log" 2>&1 \
    || { cat "$scratch/install.log"; exit 1; }
else
  program=$(echo "$from"/tavelin_"$version"-*.deb)
  simulator=$(echo "$from"/tavelin-hhtsim_"$version"-*.deb)
  [ -f "$program" ] && [ -f "$simulator" ] || fail "no tavelin and tavelin-hhtsim packages of $version in $from: $(ls "$from")"
  echo "packages: $(basename "$program") $(basename "$simulator")"
  # The libraries the programs link, found by dpkg-shlibdeps; the simulator
  # needs no Qt; the system user's tool for the units.
  fields=$(dpkg-deb -f "$program" Depends Recommends)
  echo "tavelin: $fields"
  for library in libqt6serialport6 libqt6widgets6 libstdc++6 libgcc-s1 libc6 fonts-noto-cjk; do
    grep -q "$library" <<<"$fields" || fail "tavelin: no $library in Depends or Recommends"
  done
  grep -q "sysusers" <<<"$fields" || fail "tavelin: nothing to create its system user with"
  fields=$(dpkg-deb -f "$simulator" Depends)
  echo "tavelin-hhtsim: $fields"
  # A tool another architecture's packages may use as well.
  [ "$(dpkg-deb -f "$simulator" Multi-Arch)" = foreign ] || fail "tavelin-hhtsim is not Multi-Arch: foreign"
  grep -q libstdc++6 <<<"$fields" || fail "tavelin-hhtsim: no libstdc++6 in Depends"
  ! grep -q libqt6 <<<"$fields" || fail "tavelin-hhtsim depends on Qt"

  # The changelog's latest entry is this version's: a new version needs one.
  package_version=$(dpkg-deb -f "$program" Version)
  dpkg-deb -x "$program" "$root"
  dpkg-deb -x "$simulator" "$root"
  entry=$(zcat "$root/usr/share/doc/tavelin/changelog.Debian.gz" | head -n 1)
  [[ $entry == "tavelin ($package_version) "* ]] \
    || fail "debian/changelog: the latest entry is \"$entry\", not one for $package_version"
  grep -q "^License: Expat" "$root/usr/share/doc/tavelin/copyright" || fail "copyright names no licence"

  contents() { dpkg-deb -c "$1" | awk '{ print $NF }' | sed 's|^\./|/|'; }
  listing=$(contents "$program")
  for file in /usr/share/doc/tavelin/{copyright,changelog.Debian.gz,README.Debian} \
              /usr/lib/systemd/system/tavelin-{down,up}@.{service,timer} /usr/lib/sysusers.d/tavelin.conf \
              /usr/share/tavelin/{tavelin-site.conf,stop-site} /usr/share/tavelin/site/{RSPRM,HHTPRM,DIRPRM}.DAT; do
    grep -qx "$file" <<<"$listing" || fail "missing from tavelin: $file"
  done
  ! grep -q '^/lib/' <<<"$listing" || fail "tavelin installs under /lib: $(grep '^/lib/' <<<"$listing")"
  # A timer catches up at boot on a run missed while the PC was off; each
  # service first removes a stop file left from an earlier stop.
  for timer in "$root"/usr/lib/systemd/system/*.timer; do
    grep -qx "Persistent=true" "$timer" || fail "$(basename "$timer") without Persistent=true"
  done
  for service in "$root"/usr/lib/systemd/system/*.service; do
    grep -qx "ExecStartPre=/usr/bin/rm -f /srv/tavelin/%i/ENDPRM.DAT" "$service" \
      || fail "$(basename "$service") does not remove a stale ENDPRM.DAT before its run"
  done
  # The sample parameter files end their lines in CR LF; their folders are
  # absolute and end in /.
  for sample in "$root"/usr/share/tavelin/site/*.DAT; do
    [ "$(grep -c $'\r$' "$sample")" -eq "$(wc -l <"$sample")" ] || fail "$(basename "$sample"): a line without CR LF"
  done
  [ "$(sed -n '2,3s|^/srv/tavelin/shop1/[a-z]*/\r$|ok|p' "$root/usr/share/tavelin/site/DIRPRM.DAT")" = $'ok\nok' ] \
    || fail "DIRPRM.DAT's folders are not absolute and ending in /"
  ! grep -q hhtsim <<<"$listing" || fail "tavelin holds the simulator: $(grep hhtsim <<<"$listing")"
  listing=$(contents "$simulator")
  for file in /usr/share/doc/tavelin-hhtsim/{copyright,changelog.Debian.gz}; do
    grep -qx "$file" <<<"$listing" || fail "missing from tavelin-hhtsim: $file"
  done
  [ "$(grep -c '^/usr/bin/.' <<<"$listing")" -eq 1 ] || fail "tavelin-hhtsim holds more programs: $listing"
  # The user the units run as, in the group that may open serial devices.
  sysusers=$(cat "$root/usr/lib/sysusers.d/tavelin.conf")
  grep -qE '^m +tavelin +dialout' <<<"$sysusers" || fail "the system user is not in dialout: $sysusers"
fi

man=$root/usr/share/man
for file in /usr/bin/tavelin /usr/bin/tavelin-hhtsim /usr/share/applications/$id.desktop \
            /usr/share/metainfo/$id.metainfo.xml /usr/share/icons/hicolor/scalable/apps/$id.svg; do
  [ -f "$root$file" ] || fail "not installed: $file"
done
# Each icon is a PNG of the size its directory names (the width and height
# are the big-endian words at bytes 16 and 20 of the header).
for size in 16 24 32 48 64 128 256; do
  icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/$id.png
  [ -f "$icon" ] || fail "no ${size}-pixel icon"
  [ "$(head -c 4 "$icon" | tail -c 3)" = PNG ] || fail "icon $size is no PNG"
  read -r width height < <(od -An -tu1 -j16 -N8 "$icon" | awk '{ print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }')
  [ "$width $height" = "$size $size" ] || fail "icon $size is $width x $height"
done
desktop=$(cat "$root/usr/share/applications/$id.desktop")
grep -q "^Exec=tavelin --desktop$" <<<"$desktop" || fail "desktop entry without Exec"
grep -q "^Icon=$id$" <<<"$desktop" || fail "desktop entry's icon is not $id"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$id.metainfo.xml" \
  || fail "metainfo without this release"
for page in man1/tavelin.1 man1/tavelin-hhtsim.1 man5/tavelin.5; do
  text=$(zcat -f "$man/$page"*)
  grep -q "Tavelin $version" <<<"$text" || fail "$page without the version"
  ! grep -q "@[A-Z_]*@" <<<"$text" || fail "$page with a placeholder left: $(grep "@[A-Z_]*@" <<<"$text")"
done

help=$("$root/usr/bin/tavelin-hhtsim" --help)
grep -q -- --device <<<"$help" || fail "tavelin-hhtsim --help: $help"
# The program as installed finds its libraries and says its version.
said=$(cd "$scratch" && env -u DISPLAY -u WAYLAND_DISPLAY timeout 20 "$root/usr/bin/tavelin" --version)
grep -q "$version" <<<"$said" || fail "tavelin --version: $said"
echo "package contents: ok"
