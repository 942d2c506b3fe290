#!/usr/bin/env bash
# A batch run in a throw-away work directory, as another program would start it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
printf '2210005008000\r\n' > RSPRM.DAT
printf '1,3\r\n' > HHTPRM.DAT
printf '%s\r\n' "$work/AP.HEX" "$work/down/" "$work/up/" OVER NEWHISTORY 1 > DIRPRM.DAT
mkdir -p down up
echo "== tavelin /DOWN in $work"
status=0
"$top/build/tavelin" /DOWN || status=$?
echo "== exit status $status"
for f in RESULT.DAT HISTORY.DAT; do
  [ -f "$f" ] && { echo "== $f"; iconv -f CP932 -t UTF-8 "$f"; }
done
echo "== a bad RSPRM.DAT ends the run with code 2:"
printf '9999999999999\r\n' > RSPRM.DAT
"$top/build/tavelin" /DOWN 2>&1 || true
iconv -f CP932 -t UTF-8 RESULT.DAT
