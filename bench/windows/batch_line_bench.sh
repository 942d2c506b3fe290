#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The batch runs of the Linux build and of the Windows build (under Wine) on
# the same emulated line, one after the other: /DOWN of one file to the
# simulated hand-held, then /UP of it back, each with a frame trace, and then
# a run that polls absent hand-helds. Prints, for each system and direction,
# the block rhythm (time from one data block to the next), the share of the
# line it makes, the time from a block to its answer (fewest, median, most),
# the Windows/Linux ratio of the transfer times, and the processor time of
# the polling run per second of it. Asserts nothing.
#   batch_line_bench.sh [--size BYTES] [--baud BITS] [--poll-seconds S] [--sim 'OPTIONS']
# --sim passes options to the simulated hand-held of the transfers (a rough
# line: --rough SEED, --pause-before-received N:MS, ...).
# The builds are build/ and build-win/ (TAVELIN_LINUX_BUILD, TAVELIN_WIN_BUILD
# name others); Qt's DLLs come from scripts/build-qt-mingw.sh's cache.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
size=204800 baud=115200 poll_seconds=10 sim_options=
while [ $# -gt 0 ]; do
  case $1 in
  --size) size=$2; shift 2 ;;
  --baud) baud=$2; shift 2 ;;
  --poll-seconds) poll_seconds=$2; shift 2 ;;
  --sim) sim_options=$2; shift 2 ;;
  *) echo "usage: $0 [--size BYTES] [--baud BITS] [--poll-seconds S] [--sim 'OPTIONS']" >&2; exit 2 ;;
  esac
done
linux_build=${TAVELIN_LINUX_BUILD:-$top/build}
win_build=${TAVELIN_WIN_BUILD:-$top/build-win}
sim=$linux_build/tavelin-hhtsim
for needed in "$linux_build/tavelin" "$sim" "$win_build/tavelin.exe"; do
  [ -x "$needed" ] || [ -f "$needed" ] || { echo "missing: $needed (make build, make test-windows)" >&2; exit 1; }
done
TAVELIN_QT_WIN=${TAVELIN_QT_WIN:-$(bash "$top/scripts/build-qt-mingw.sh" 2>/dev/null | tail -n 1)}
export TAVELIN_QT_WIN
export WINEPREFIX=${WINEPREFIX:-$win_build/wine}
# shellcheck source=../../tests/windows/wine_com.sh
. "$top/tests/windows/wine_com.sh"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEQT_QPA_PLATFORM=offscreen
unset DISPLAY WAYLAND_DISPLAY
WINEQT_PLUGIN_PATH=$(windows_path "$TAVELIN_QT_WIN/plugins")
export WINEQT_PLUGIN_PATH

work=$(mktemp -d)
trap 'wine_com_cleanup; rm -rf "$work"' EXIT
wine_com_prefix || exit 1
baud_code=$(printf '%s\n' 4800 9600 19200 38400 57600 115200 | grep -nx "$baud" | cut -d: -f1)
[ -n "$baud_code" ] || { echo "no such speed: $baud" >&2; exit 2; }
baud_code=$((baud_code - 1))
head -c "$size" /dev/urandom >"$work/payload.bin"

# run SYSTEM DIR ARGS...: the program of SYSTEM in DIR; prints "wall cpu status".
run() {
  local system=$1 dir=$2
  shift 2
  if [ "$system" = linux ]; then
    (cd "$dir" && python3 "$here/timed_run.py" env TAVELIN_COM1="$dir/tty" TAVELIN_TRACE="$dir/trace.txt" \
      QT_QPA_PLATFORM=offscreen "$linux_build/tavelin" "$@")
  else
    (cd "$dir" && TAVELIN_TRACE="$(windows_path "$dir")\\trace.txt" python3 "$here/timed_run.py" \
      bash "$top/scripts/wine-run.sh" "$win_build/tavelin.exe" "$@")
  fi
}

# setup SYSTEM DIR IDS HHTIDS [OPTION...]: a work folder whose parameter
# files poll IDS (FIRST,LAST) at the benchmark's speed, and a simulator
# serving HHTIDS with the options given.
setup() {
  local system=$1 dir=$2 port=0 sep=/ folder
  mkdir -p "$dir/down" "$dir/up" "$dir/hht"
  folder=$dir
  if [ "$system" = windows ]; then
    port=3 sep='\'
    folder=$(windows_path "$dir")
  fi
  printf '%s210%s05008000\r\n' "$baud_code" "$port" >"$dir/RSPRM.DAT"
  printf '%s\r\n' "$3" >"$dir/HHTPRM.DAT"
  printf '%s\r\n' "$folder${sep}AP.HEX" "$folder${sep}down$sep" "$folder${sep}up$sep" OVER NEWHISTORY 1 >"$dir/DIRPRM.DAT"
  start_hht "$sim" "$dir/hht" "$4" "$dir/tty" --baud "$baud" "${@:5}" || exit 1
  [ "$system" = windows ] && link_com 4 "$dir/tty"
  return 0
}

declare -A rhythm
for system in linux windows; do
  dir=$work/$system
  # shellcheck disable=SC2086 # the options are words
  setup $system "$dir" 1,1 1 $sim_options
  cp "$work/payload.bin" "$dir/down/PAYLOAD.BIN"
  read -r _ _ down_status < <(run $system "$dir" /DOWN)
  [ "$down_status" = 0 ] && cmp -s "$work/payload.bin" "$dir/hht/001/PAYLOAD.BIN" ||
    echo "$system /DOWN: status $down_status; the file $(cmp -s "$work/payload.bin" "$dir/hht/001/PAYLOAD.BIN" && echo arrived || echo differs)"
  mv "$dir/trace.txt" "$dir/down.trace"
  read -r _ _ up_status < <(run $system "$dir" /UP)
  [ "$up_status" = 0 ] && cmp -s "$work/payload.bin" "$dir/up/PAYLOAD.BIN" ||
    echo "$system /UP: status $up_status; the file $(cmp -s "$work/payload.bin" "$dir/up/PAYLOAD.BIN" && echo arrived || echo differs)"
  mv "$dir/trace.txt" "$dir/up.trace"
  wine_com_cleanup
  for direction in down up; do
    line=$(python3 "$here/block_rhythm.py" "$dir/$direction.trace" "$direction" "$baud")
    rhythm[$system.$direction]=${line%% *}
    printf '%-7s /%-4s %s\n' "$system" "${direction^^}" "${line#* }"
  done
done
for direction in down up; do
  python3 -c "import sys; print('Windows/Linux transfer time /%s: %.3f' % (sys.argv[1], float(sys.argv[3]) / float(sys.argv[2])))" \
    "${direction^^}" "${rhythm[linux.$direction]}" "${rhythm[windows.$direction]}"
done

# Polling hand-helds that do not answer (IDs 1-10; the simulator serves 20),
# rounds without end: the processor time over --poll-seconds once started.
for system in linux windows; do
  dir=$work/$system-poll
  setup $system "$dir" 1,10 20
  sed -i '$s/.*/0\r/' "$dir/DIRPRM.DAT"
  if [ $system = linux ]; then
    command=(env TAVELIN_COM1="$dir/tty" QT_QPA_PLATFORM=offscreen "$linux_build/tavelin" /DOWN)
  else
    command=(bash "$top/scripts/wine-run.sh" "$win_build/tavelin.exe" /DOWN)
  fi
  read -r seconds cpu status sleeps < <(python3 "$here/poll_cpu.py" "$dir" "$poll_seconds" "${command[@]}")
  wine_com_cleanup
  python3 -c "import sys; s = float(sys.argv[2]); print('%-7s polling 10 absent IDs: %.3f s of processor time in %s s, %.2f %% of one core; %.0f sleeps a second (status %s)' % (sys.argv[1], float(sys.argv[3]), sys.argv[2], 100 * float(sys.argv[3]) / s, int(sys.argv[5]) / s, sys.argv[4]))" \
    $system "$seconds" "$cpu" "$status" "$sleeps"
done
