#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Takes the README's pictures: docs/manual-window.png (the manual window
# connected, the hand-held's list shown), docs/manual-download.png (a
# download in progress, its dialog over the window), and the settings
# dialog's three pages (settings-comm.png, settings-polling.png,
# settings-datafiles.png, beside WINDOW.png) and settings-devices.png (the
# device choice with its list open), and docs/diagnose.png (the 診断 dialog
# after a scan found the simulated hand-held). Builds
# build/bench/manual_screenshot, build/bench/settings_screenshot and
# build/bench/scan_screenshot if needed and runs them under Xvfb; the first
# connects the window to a simulated hand-held.
#
#   scripts/screenshot.sh [WINDOW.png [DOWNLOAD.png]]
# As root it installs Xvfb when missing; otherwise it prints the command.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
out=${1:-docs/manual-window.png}
download=${2:-docs/manual-download.png}

if ! command -v xvfb-run >/dev/null; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Xvfb is missing. Run as root:" >&2
    echo "  apt-get update && apt-get install -y --no-install-recommends xvfb xauth" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y --no-install-recommends xvfb xauth
fi

if [ -f build/build.ninja ]; then
  cmake --build build --target manual_screenshot settings_screenshot scan_screenshot
else
  bash scripts/build.sh build
fi

mkdir -p "$(dirname "$out")" "$(dirname "$download")"
env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
  xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" build/bench/manual_screenshot "$out" "$download"
env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
  xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" build/bench/settings_screenshot "$(dirname "$out")"
env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
  xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" build/bench/scan_screenshot "$(dirname "$out")/diagnose.png"
