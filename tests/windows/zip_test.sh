#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The zip as a Windows user gets it: unpacked into a fresh folder and run in
# a fresh Wine prefix, with nothing of the build on the DLL search path.
# It holds README.txt, the Task Scheduler example and the sample parameter
# files, each with CR LF; tavelin.exe must verify as signed, say its
# version, then run the nightly batch job against the simulated hand-held
# (wine_batch_e2e.sh) from the unpacked folder.
#   zip_test.sh ZIP [HHTSIM]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
[ $# -ge 1 ] || { echo "usage: $0 ZIP [HHTSIM]" >&2; exit 2; }
zip=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
wine=${TAVELIN_WINE:-$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)}
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)

work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY WINEPATH
trap '"$wineserver" -k 2>/dev/null; rm -rf "$work"' EXIT

(cd "$work" && cmake -E tar xf "$zip") || { echo "FAIL: cannot unpack $zip" >&2; exit 1; }
folder=$(find "$work" -mindepth 2 -maxdepth 2 -name tavelin.exe -printf '%h\n' | head -n 1)
[ -n "$folder" ] || { echo "FAIL: no tavelin.exe in $zip" >&2; exit 1; }
for file in README.txt tavelin-down.xml sample/RSPRM.DAT sample/HHTPRM.DAT sample/DIRPRM.DAT; do
  [ -s "$folder/$file" ] || { echo "FAIL: no $file in $zip" >&2; exit 1; }
  # As many lines ending in CR as line feeds: every line ends in CR LF.
  if [ "$(grep -c $'\r$' "$folder/$file")" -ne "$(wc -l <"$folder/$file")" ]; then
    echo "FAIL: $file in $zip has lines without CR LF" >&2
    exit 1
  fi
done
bash "$here/../../scripts/windows-sign.sh" verify "$folder/tavelin.exe" || { echo "FAIL: tavelin.exe in $zip is not signed" >&2; exit 1; }
"$wine" wineboot --init >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log" >&2; exit 1; }

expected="tavelin $(basename "$zip" | sed -n 's/^tavelin-\(.*\)-windows-.*/\1/p')"
version=$(WINEQT_QPA_PLATFORM=offscreen "$wine" "$folder/tavelin.exe" --version 2>&1 | tr -d '\r' | head -n 1)
if [ "$version" != "$expected" ]; then
  echo "FAIL: tavelin.exe --version says '$version'" >&2
  exit 1
fi
echo "tavelin.exe --version: $version"
bash "$here/wine_batch_e2e.sh" "$folder" "$WINEPREFIX" ${2:+"$2"}
