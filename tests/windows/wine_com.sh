# SPDX-License-Identifier: MIT
# Sourced by the Wine tests: the simulated hand-held (the Linux program) on a
# pseudo-terminal, reached from a Wine prefix as a COM name. Wine opens
# \\.\COMn through the link $WINEPREFIX/dosdevices/comn, and its serial layer
# works on a pseudo-terminal as on a serial device (no modem lines, so DTR,
# RTS and CTS calls fail and are ignored). The caller sets WINEPREFIX and
# calls wine_com_cleanup when it ends.

wine=${TAVELIN_WINE:-$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)}
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
hht_pid=

# wine_test_start EXE_DIR WINEPREFIX [HHTSIM]: what every Wine test of the
# program takes and sets up: exe_dir (where tavelin.exe is), WINEPREFIX, sim
# (the Linux simulator, build/tavelin-hhtsim unless named), a Windows
# program that draws offscreen with no display, and fail(), which says why
# and counts in $failures. Ends the script with 2 on a usage error, 1
# without tavelin.exe, 77 (skipped) without the simulator.
wine_test_start() {
  [ $# -ge 2 ] || { echo "usage: $0 EXE_DIR WINEPREFIX [HHTSIM]" >&2; exit 2; }
  exe_dir=$(cd "$1" && pwd) || exit 2
  WINEPREFIX=$(mkdir -p "$2" && cd "$2" && pwd) || exit 2
  export WINEPREFIX
  sim=${3:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build/tavelin-hhtsim}
  [ -f "$exe_dir/tavelin.exe" ] || { echo "no tavelin.exe in $exe_dir" >&2; exit 1; }
  if [ ! -x "$sim" ]; then
    echo "skipped: no Linux simulator at $sim (make build makes it)"
    exit 77
  fi
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  # Wine hands WINEQT_* to Windows programs as QT_*: no display is needed.
  export WINEQT_QPA_PLATFORM=offscreen WINEQT_FORCE_STDERR_LOGGING=1
  unset DISPLAY WAYLAND_DISPLAY
  failures=0
}

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

wine_com_cleanup() {
  if [ -n "$hht_pid" ]; then
    kill "$hht_pid" 2>/dev/null
    wait "$hht_pid" 2>/dev/null
  fi
  hht_pid=
  return 0
}

# wine_com_prefix: makes the prefix when it is new, with a Wine server that
# stays up a minute after its last program. Wine's mount manager makes the
# COM links anew whenever a server starts (removing com1, com2... up to the
# first missing one), so a link made by hand is safe while that server runs.
# A server already running (a ctest run's) is as good; none is ever ended
# here, since other tests may share it. Its output goes nowhere: it outlives
# the script, and must not hold the caller's pipes open.
wine_com_prefix() {
  mkdir -p "$WINEPREFIX"
  "$wineserver" -p60 </dev/null >/dev/null 2>&1 || true
  if [ ! -e "$WINEPREFIX/system.reg" ]; then
    "$wine" wineboot --init >"$WINEPREFIX/wineboot.log" 2>&1 || { cat "$WINEPREFIX/wineboot.log" >&2; return 1; }
  fi
}

# start_hht SIM DIR IDS LINK [OPTION...]: the simulator serves the
# hand-helds IDS with their files in DIR on a new pseudo-terminal, which LINK
# names.
start_hht() {
  "$1" --dir "$2" --ids "$3" --link "$4" --quiet "${@:5}" &
  hht_pid=$!
  for _ in $(seq 100); do
    [ -e "$4" ] && return 0
    kill -0 "$hht_pid" 2>/dev/null || break
    sleep 0.05
  done
  echo "the simulated hand-held did not come up on $4" >&2
  return 1
}

# link_com N LINK: COMn of the prefix is the terminal LINK leads to.
link_com() {
  ln -sfn "$(readlink -f "$2")" "$WINEPREFIX/dosdevices/com$1"
}

# local_appdata: this user's %LOCALAPPDATA% in the prefix, as Windows names
# it (appdata_win) and as Linux does (appdata). Ends the script with 1 when
# it is not where a prefix keeps it.
local_appdata() {
  appdata_win=$("$wine" cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')
  appdata=$(readlink -f "$("$wine" winepath -u "$appdata_win" 2>/dev/null | tr -d '\r')")
  case "$appdata" in
    "$WINEPREFIX"/drive_c/users/*/AppData/Local) ;;
    *) echo "this prefix's %LOCALAPPDATA% ($appdata_win, $appdata) is not under drive_c/users" >&2; exit 1 ;;
  esac
}

# expect_event LOG CLASS TEXT...: LOG, the output of a run with
# WINEDEBUG=+eventlog, holds the run's Application log entry as Wine's
# advapi32 writes it to that debug channel (some versions a line for each
# line of the entry), its class the entry's type (trace information, warn
# warning, err error), and each TEXT in it.
expect_event() {
  local entry text
  entry=$(grep -a ":$2:eventlog:ReportEventW" "$1" | tr -d '\r')
  [ -n "$entry" ] || { fail "no $2 entry in the Application log: $(grep -a ':eventlog:' "$1")"; return; }
  for text in "${@:3}"; do
    grep -qF -- "$text" <<<"$entry" || fail "the Application log's $2 entry lacks '$text': $entry"
  done
}

# The Windows form of a Linux path (Wine's drive Z: is the root).
windows_path() {
  printf 'Z:%s' "$(readlink -f "$1" | tr / '\\')"
}
