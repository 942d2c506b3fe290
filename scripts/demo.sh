#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A demonstration without hardware: three simulated hand-helds (IDs 1-3) on
# a pseudo-terminal, a batch download of the PC's files to all of them, then
# a batch upload of everything they hold. Runs in a scratch directory that it
# removes afterwards.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"

# The hand-helds, each with a few files of its own.
mkdir -p hht/001 hht/002 hht/003 down up
for id in 001 002 003; do
  printf 'ORDER,%s,4711,12\r\nORDER,%s,4712,3\r\n' "$id" "$id" > "hht/$id/ORD$id.DAT"
  seq 1 200 | sed "s/^/STOCK $id /" > "hht/$id/STK$id.TXT"
done
# What the PC sends to every hand-held.
printf 'ITEM,4711,WIDGET\r\nITEM,4712,GADGET\r\n' > down/MASTER.DAT
head -c 3000 /dev/urandom > down/PRICES.BIN

"$top/build/tavelin-hhtsim" --ids 1-3 --dir "$work/hht" --link "$work/ttyHHT" --quiet &
sim_pid=$!
for _ in $(seq 50); do [ -e "$work/ttyHHT" ] && break; sleep 0.1; done
export TAVELIN_COM1="$work/ttyHHT"

# The parameter files: 19200 baud on COM1, IDs 1-3, one round.
printf '2210005008000\r\n' > RSPRM.DAT
printf '1,3\r\n' > HHTPRM.DAT
write_dirprm() { printf '%s\r\n' "$work/AP.HEX" "$work/down/" "$work/up/" OVER "$1" 1 > DIRPRM.DAT; }

show() {
  echo "-- RESULT.DAT"; iconv -f CP932 -t UTF-8 RESULT.DAT
  echo "-- HISTORY.DAT"; [ -f HISTORY.DAT ] && iconv -f CP932 -t UTF-8 HISTORY.DAT || echo "(none)"
}

echo "== tavelin /DOWN: send down/ to hand-helds 1-3"
write_dirprm NEWHISTORY
"$top/build/tavelin" /DOWN
show
echo
echo "== tavelin /UP: fetch every hand-held's files into up/"
write_dirprm ADDHISTORY
"$top/build/tavelin" /UP
show
echo
echo "== what arrived"
for id in 001 002 003; do echo "hand-held $id: $(cd "hht/$id" && ls | tr '\n' ' ')"; done
echo "PC up/: $(cd up && ls | tr '\n' ' ')"
for id in 001 002 003; do cmp -s down/PRICES.BIN "hht/$id/PRICES.BIN" && echo "hand-held $id: PRICES.BIN byte-exact"; done
