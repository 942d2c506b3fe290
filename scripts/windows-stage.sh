#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Puts together, in build-win/stage/tavelin/, what a Windows site gets, for
# the zip and the MSI alike: tavelin.exe with every DLL it needs from Qt and
# the compiler's runtime, the Qt plugins it loads (platforms, styles, image
# formats) and its Japanese texts, all stripped, tavelin.exe then signed
# (scripts/windows-sign.sh: the site's certificate, else a test one); the
# licence, README.txt, the sample parameter files and the Task Scheduler
# example. The DLLs are found by following the import tables (objdump -p)
# of the program and the plugins, so nothing is listed by hand and nothing
# unused rides along. What is found in none of those folders is a DLL of
# Windows itself.
# Builds the program first (scripts/build-windows.sh). Prints the folder.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-win

bash scripts/build-windows.sh >&2
qt=$(bash scripts/build-qt-mingw.sh | tail -n 1)
stage=$dir/stage/tavelin
objdump=x86_64-w64-mingw32-objdump
strip=x86_64-w64-mingw32-strip

search=("$qt/bin"
        "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")"
        /usr/x86_64-w64-mingw32/lib)
plugins=(platforms/qwindows.dll platforms/qoffscreen.dll styles/qwindowsvistastyle.dll
         imageformats/qico.dll imageformats/qgif.dll imageformats/qjpeg.dll)

rm -rf "$dir/stage"
mkdir -p "$stage"
cp "$dir/tavelin.exe" "$stage/"
for plugin in "${plugins[@]}"; do
  mkdir -p "$stage/$(dirname "$plugin")"
  cp "$qt/plugins/$plugin" "$stage/$plugin"
done
# Qt's own texts (standard buttons, context menus) in Japanese, and where
# Qt finds them and its plugins: the program's folder itself.
mkdir -p "$stage/translations"
cp "$qt/translations/qtbase_ja.qm" "$stage/translations/"
printf '[Paths]\r\nPrefix = .\r\nPlugins = .\r\nTranslations = translations\r\n' >"$stage/qt.conf"
cp LICENSE "$stage/LICENSE.txt"
# The texts a site reads on Windows, kept with CR LF in the repository
# (.gitattributes) so Notepad and Task Scheduler take them as they are.
cp packaging/windows/README.txt packaging/windows/tavelin-down.xml "$stage/"
cp -r packaging/windows/sample "$stage/"

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
# Signed last: a signature covers the bytes as shipped. The DLLs are Qt's and
# the compiler's, not ours to sign.
bash scripts/windows-sign.sh sign "$stage/tavelin.exe" >&2
echo "$stage"
