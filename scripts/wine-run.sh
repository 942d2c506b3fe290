#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a Windows program under Wine for ctest and the scripts: the mingw
# runtime DLLs (and Qt's, when TAVELIN_QT_WIN is set) on the DLL search path,
# and one more try when Wine fails to start the program at all. That happens
# now and then on a busy machine: the program then prints nothing, not even
# GoogleTest's first line, and ends at once. A program that ran and failed is
# never run again; with WINE_RUN_ONCE=1 none is (a program that may end
# quietly with a failure, and whose second run would count twice).
set -uo pipefail
wine=${TAVELIN_WINE:-$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)}

runtime_dirs=(
  "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")"
  /usr/x86_64-w64-mingw32/lib
)
[ -n "${TAVELIN_QT_WIN:-}" ] && runtime_dirs+=("$TAVELIN_QT_WIN/bin")
path=$(printf '%s;' "${runtime_dirs[@]}")
export WINEPATH="${path%;}${WINEPATH:+;$WINEPATH}"

output=$(mktemp)
trap 'rm -f "$output"' EXIT
tries=3
[ "${WINE_RUN_ONCE:-}" = 1 ] && tries=1
for try in $(seq $tries); do
  "$wine" "$@" >"$output" 2>&1
  status=$?
  if [ $status -eq 0 ] || [ -s "$output" ]; then
    cat "$output"
    exit $status
  fi
  echo "wine-run: $1 ended with status $status before printing anything (try $try)" >&2
done
exit $status
