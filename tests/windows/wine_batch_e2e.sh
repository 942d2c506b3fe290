#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A Windows PC's nightly batch job under Wine, against the simulated
# hand-held (the Linux program) on COM4 of the prefix: tavelin.exe /DOWN sends
# a folder to hand-helds 1-3, then tavelin.exe /UP fetches every file they
# hold. Checked: the exit statuses, the files on both sides byte for byte,
# and the bytes of RESULT.DAT and HISTORY.DAT (code page 932, CR LF), and
# each run's information entry in the Application log.
#   wine_batch_e2e.sh EXE_DIR WINEPREFIX [HHTSIM]
# EXE_DIR holds tavelin.exe. When it holds Qt6Core.dll too (an unpacked zip)
# it must be complete: nothing else is put on the DLL search path, so a DLL
# the zip lacks fails the run. Otherwise (a build tree) the DLLs come through
# scripts/wine-run.sh: the compiler's, and Qt's from TAVELIN_QT_WIN.
# WINEPREFIX is made when it does not exist. HHTSIM defaults to the Linux
# build's build/tavelin-hhtsim.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
# shellcheck source=wine_com.sh
. "$here/wine_com.sh"
wine_test_start "$@"

work=$(mktemp -d)
trap 'wine_com_cleanup; rm -rf "$work"' EXIT

# A run that hangs (a Wine that cannot start the program, a wait that never
# ends) fails the test after three minutes instead of holding it.
tavelin() {
  export WINEDEBUG=-all,+eventlog # the Application log's entry, on standard error
  if [ -f "$exe_dir/Qt6Core.dll" ]; then
    (cd "$work" && timeout -k 5 180 env -u WINEPATH "$wine" "$exe_dir/tavelin.exe" "$@")
  else
    if [ -n "${TAVELIN_QT_WIN:-}" ]; then
      WINEQT_PLUGIN_PATH=$(windows_path "$TAVELIN_QT_WIN/plugins")
      export WINEQT_PLUGIN_PATH
    fi
    (cd "$work" && timeout -k 5 180 bash "$top/scripts/wine-run.sh" "$exe_dir/tavelin.exe" "$@")
  fi
}

# The hand-helds' own files, and what the PC sends to each of them: text
# with CR LF and a binary file holding every byte value.
mkdir -p "$work/hht" "$work/down" "$work/up"
for id in 001 002 003; do
  mkdir -p "$work/hht/$id"
  printf 'ORDER,%s,4711,12\r\nORDER,%s,4712,3\r\n' "$id" "$id" >"$work/hht/$id/ORD$id.DAT"
  seq 1 200 | sed "s/^/STOCK $id /" >"$work/hht/$id/STK$id.TXT"
done
printf 'ITEM,4711,WIDGET\r\nITEM,4712,GADGET\r\n' >"$work/down/MASTER.DAT"
for _ in $(seq 12); do printf "$(printf '\\%03o' $(seq 0 255))"; done | head -c 3000 >"$work/down/PRICES.BIN"

wine_com_prefix || exit 1
start_hht "$sim" "$work/hht" 1-3 "$work/ttyHHT" || exit 1
link_com 4 "$work/ttyHHT"

# 19200 bit/s 8N1 on COM4 (code 3), poll 50, time-out 800; IDs 1-3; one round.
printf '2210305008000\r\n' >"$work/RSPRM.DAT"
printf '1,3\r\n' >"$work/HHTPRM.DAT"
write_dirprm() {
  printf '%s\r\n' "$(windows_path "$work")\\AP.HEX" "$(windows_path "$work/down")\\" \
    "$(windows_path "$work/up")\\" OVER "$1" 1 >"$work/DIRPRM.DAT"
}

cp932() { iconv -f UTF-8 -t CP932; }
# RESULT.DAT: the date and time, then the outcome.
check_result() {
  local expected got
  expected=$(printf ' 0 , 3 ,正常終了\r\n' | cp932 | od -An -tx1)
  got=$(LC_ALL=C sed 's|^[0-9/]*,[0-9:]*,||' "$work/RESULT.DAT" | od -An -tx1)
  [ "$got" = "$expected" ] || fail "$1: RESULT.DAT is $(od -c "$work/RESULT.DAT" | head -3)"
}
size() { stat -c %s "$1"; }

write_dirprm NEWHISTORY
tavelin /DOWN >"$work/down.log" 2>&1
status=$?
[ $status -eq 0 ] || fail "/DOWN ended with status $status: $(cat "$work/down.log")"
check_result /DOWN
expect_event "$work/down.log" trace ' 0 , 3 ,' 'exit status: 0'
expected_history=
for id in 001 002 003; do
  for name in MASTER.DAT PRICES.BIN; do
    cmp -s "$work/down/$name" "$work/hht/$id/$name" || fail "/DOWN: hand-held $id's $name differs"
    expected_history+="$id, 2 ,$name, $(size "$work/down/$name") , 0 ,正常終了"$'\n'
  done
done

write_dirprm ADDHISTORY
tavelin /UP >"$work/up.log" 2>&1
status=$?
[ $status -eq 0 ] || fail "/UP ended with status $status: $(cat "$work/up.log")"
check_result /UP
expect_event "$work/up.log" trace ' 0 , 3 ,' 'exit status: 0'
for id in 001 002 003; do
  for name in "ORD$id.DAT" "STK$id.TXT" MASTER.DAT PRICES.BIN; do
    cmp -s "$work/hht/$id/$name" "$work/up/$name" || fail "/UP: $name from hand-held $id differs"
    expected_history+="$id, 3 ,$name, $(size "$work/hht/$id/$name") , 0 ,正常終了"$'\n'
  done
done

# HISTORY.DAT: one line per file and hand-held, each ending in CR LF, in
# code page 932. The order of the files is the file system's.
if [ -f "$work/HISTORY.DAT" ]; then
  lines=$(wc -l <"$work/HISTORY.DAT")
  crlf=$(LC_ALL=C grep -c $'\r$' "$work/HISTORY.DAT")
  [ "$lines" -eq 18 ] && [ "$crlf" -eq 18 ] || fail "HISTORY.DAT has $lines lines, $crlf of them with CR LF"
  want=$(printf '%s' "$expected_history" | sed 's/$/\r/' | cp932 | LC_ALL=C sort)
  have=$(LC_ALL=C sort "$work/HISTORY.DAT")
  [ "$have" = "$want" ] || fail "HISTORY.DAT: $(diff <(echo "$want" | iconv -f CP932 -t UTF-8) <(echo "$have" | iconv -f CP932 -t UTF-8))"
else
  fail "no HISTORY.DAT"
fi

# A run that ends before its session (here: a work folder that is not
# there) leaves its error in the Application log all the same.
tavelin --workdir 'C:\no-such-folder' /DOWN >"$work/early.log" 2>&1
status=$?
[ $status -eq 1 ] || fail "a run in a missing folder ended with status $status: $(cat "$work/early.log")"
expect_event "$work/early.log" err 'wrote no line' 'exit status: 1'

if [ $failures -gt 0 ]; then
  echo "--- /DOWN"; cat "$work/down.log"; echo "--- /UP"; cat "$work/up.log"; echo "--- early end"; cat "$work/early.log"
  exit 1
fi
echo "tavelin.exe /DOWN and /UP under Wine: 3 hand-helds, 6 files down, 12 up, RESULT.DAT and HISTORY.DAT as expected"
