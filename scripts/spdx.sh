#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The licence line every source file carries near its top:
#   scripts/spdx.sh           adds it where it is missing
#   scripts/spdx.sh --check   lists the files without it and fails if any
# Source files are the tracked C and C++ sources and headers, CMake files,
# shell and Python scripts, makefiles, and any file that starts with "#!",
# wherever they live. The line is only ever inserted: as the first line,
# or after a "#!" line, so existing lines stay as they are.
set -euo pipefail
cd "$(dirname "$0")/.."
tag="SPDX-License-Identifier: MIT"

git rev-parse --is-inside-work-tree >/dev/null 2>&1 || { echo "not a git checkout: nothing to check"; exit 77; }

comment_for() { # the comment leader of a file, or nothing when it is no source file
  case "$1" in
    *.cpp|*.cc|*.c|*.h|*.hpp) echo "//" ;;
    *.cmake|*/CMakeLists.txt|CMakeLists.txt|*.sh|*.py|*.supp|Makefile|*/Makefile) echo "#" ;;
    *) [ "$(head -c 2 "$1" | tr -d '\0')" = "#!" ] && echo "#" ;;
  esac
  return 0
}

missing=0
while IFS= read -r -d '' file; do
  [ -f "$file" ] && [ ! -L "$file" ] || continue
  leader=$(comment_for "$file")
  [ -n "$leader" ] || continue
  top=$(head -n 3 "$file")
  [[ $top == *"$tag"* ]] && continue
  if [ "${1:-}" = --check ]; then
    echo "no \"$tag\" in the first lines: $file"
    missing=$((missing + 1))
  elif [ ! -s "$file" ]; then
    echo "$leader $tag" >"$file"
  elif [ "$(head -c 2 "$file")" = "#!" ]; then
    sed -i "1a $leader $tag" "$file"
  else
    sed -i "1i $leader $tag" "$file"
  fi
done < <(git ls-files -z)
[ "$missing" -eq 0 ] || { echo "$missing file(s) without the licence line; scripts/spdx.sh adds it"; exit 1; }
