#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes build-win/tavelin-<version>-windows-x64.zip: tavelin.exe with every
# DLL it needs from Qt and the compiler's runtime, and the Qt plugins it
# loads (platforms, styles, image formats) and its Japanese texts, all
# stripped. The DLLs are found
# by following the import tables (objdump -p) of the program and the plugins,
# so nothing is listed by hand and nothing unused rides along. What is found
# in none of those folders is a DLL of Windows itself. The zip is then
# tried as a user gets it (tests/windows/zip_test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-win

bash scripts/build-windows.sh
qt=$(bash scripts/build-qt-mingw.sh | tail -n 1)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")
name=tavelin-$version-windows-x64
stage=$dir/zip/$name
objdump=x86_64-w64-mingw32-objdump
strip=x86_64-w64-mingw32-strip

search=("$qt/bin"
        "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")"
        /usr/x86_64-w64-mingw32/lib)
plugins=(platforms/qwindows.dll platforms/qoffscreen.dll styles/qwindowsvistastyle.dll
         imageformats/qico.dll imageformats/qgif.dll imageformats/qjpeg.dll)

rm -rf "$dir/zip"
mkdir -p "$stage"
cp "$dir/tavelin.exe" "$stage/"
for plugin in "${plugins[@]}"; do
  mkdir -p "$stage/$(dirname "$plugin")"
  cp "$qt/plugins/$plugin" "$stage/$plugin"
done
# Qt's own texts (standard buttons, context menus) in Japanese, and where
# Qt finds them and its plugins: the unpacked folder itself.
mkdir -p "$stage/translations"
cp "$qt/translations/qtbase_ja.qm" "$stage/translations/"
printf '[Paths]\r\nPrefix = .\r\nPlugins = .\r\nTranslations = translations\r\n' >"$stage/qt.conf"
cp LICENSE "$stage/LICENSE.txt"

imports() { "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p'; }
locate() {
  local folder
  for folder in "${search[@]}"; do
    [ -f "$folder/$1" ] && { echo "$folder/$1"; return; }
  done
  return 0 # not ours to ship
}

# Breadth first over the import tables; Windows matches DLL names without
# regard to case, so the names are compared in lower case.
declare -A seen=()
queue=("$stage/tavelin.exe")
for plugin in "${plugins[@]}"; do queue+=("$stage/$plugin"); done
while [ ${#queue[@]} -gt 0 ]; do
  file=${queue[0]}
  queue=("${queue[@]:1}")
  while read -r dll; do
    key=${dll,,}
    [ -n "${seen[$key]:-}" ] && continue
    seen[$key]=1
    source=$(locate "$dll")
    [ -n "$source" ] || continue # a DLL of Windows
    cp "$source" "$stage/"
    queue+=("$stage/$(basename "$source")")
  done < <(imports "$file")
done

find "$stage" \( -name '*.exe' -o -name '*.dll' \) -exec "$strip" --strip-unneeded {} +
zip=$dir/$name.zip
rm -f "$zip"
(cd "$dir/zip" && cmake -E tar cf "../$name.zip" --format=zip "$name")
echo "$zip: $(du -sh "$stage" | cut -f1) unpacked, $(du -h "$zip" | cut -f1) zipped," \
  "$(find "$stage" -name '*.dll' | wc -l) DLLs"

# The zip as a user gets it, against the Linux simulator the Windows build
# used (the Linux build's, else the one built beside build-win/).
sim=build/tavelin-hhtsim
[ -x "$sim" ] || sim=$dir/host/tavelin-hhtsim
bash tests/windows/zip_test.sh "$zip" "$PWD/$sim"
