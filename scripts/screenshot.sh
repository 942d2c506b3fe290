#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Takes every picture the guides show, into docs/ (or DIRECTORY):
#   manual-work-folder.png  the work folder menu open, before connecting
#   manual-window.png       the manual window connected, the hand-held's list shown
#   manual-download.png     a download in progress, its dialog over the window
#   manual-same-name.png    the question an upload asks when the PC has the file
#   auto-window.png         the automatic window of 全コピー during its run
#   line-monitor.png        the line monitor (ライン表示) during the download
#   settings-comm.png, settings-polling.png, settings-datafiles.png
#                           the settings dialog's three pages
#   settings-devices.png    the device choice with COM1's list open
#   diagnose.png            the 診断 dialog after a scan found the simulated hand-held
# Builds build/bench/manual_screenshot, build/bench/settings_screenshot and
# build/bench/scan_screenshot if needed and runs them under Xvfb; the first
# connects the window to a simulated hand-held.
#
#   scripts/screenshot.sh [DIRECTORY]
# As root it installs Xvfb when missing; otherwise it prints the command.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
out=${1:-docs}

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

mkdir -p "$out"
env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
  xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" build/bench/manual_screenshot "$out"
env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
  xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" build/bench/settings_screenshot "$out"
env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
  xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" build/bench/scan_screenshot "$out/diagnose.png"
