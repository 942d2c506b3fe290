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

# The Windows form of a Linux path (Wine's drive Z: is the root).
windows_path() {
  printf 'Z:%s' "$(readlink -f "$1" | tr / '\\')"
}
