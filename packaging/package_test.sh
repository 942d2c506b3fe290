#!/usr/bin/env bash
# Builds the Debian package from the build tree given, unpacks it into a
# scratch directory (nothing is installed) and checks what it holds runs.
#   package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1 version=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 \
  || { cat "$scratch/cpack.log"; exit 1; }
deb=$(ls "$scratch"/out/*.deb)
echo "package: $(basename "$deb")"
# Outputs are taken whole before they are searched: grep -q leaving early
# would kill the writer with SIGPIPE, which pipefail reports as a failure.
fields=$(dpkg-deb -f "$deb" Depends Recommends)
echo "$fields"
grep -q libqt6serialport6 <<<"$fields" || { echo "no Qt SerialPort in Depends"; exit 1; }

root=$scratch/root
dpkg-deb -x "$deb" "$root"
for file in usr/bin/tavelin usr/bin/tavelin-hhtsim usr/share/applications/tavelin.desktop \
            usr/share/icons/hicolor/256x256/apps/tavelin.png usr/share/man/man1/tavelin.1; do
  [ -s "$root/$file" ] || { echo "missing from the package: $file"; exit 1; }
done
[ -x "$root/usr/bin/tavelin" ] || { echo "tavelin is not executable"; exit 1; }
grep -q '^Exec=tavelin' "$root/usr/share/applications/tavelin.desktop" || { echo "desktop entry without Exec"; exit 1; }
grep -q "Tavelin $version" "$root/usr/share/man/man1/tavelin.1" || { echo "manual page without the version"; exit 1; }
[ "$(head -c 4 "$root/usr/share/icons/hicolor/256x256/apps/tavelin.png" | tail -c 3)" = PNG ] || { echo "icon is no PNG"; exit 1; }

help=$("$root/usr/bin/tavelin-hhtsim" --help)
grep -q -- --device <<<"$help" || { echo "tavelin-hhtsim --help: $help"; exit 1; }
# The program as packaged finds its libraries and says its version.
said=$(cd "$scratch" && env -u DISPLAY -u WAYLAND_DISPLAY timeout 20 "$root/usr/bin/tavelin" --version)
grep -q "$version" <<<"$said" || { echo "tavelin --version: $said"; exit 1; }
echo "package contents: ok"
