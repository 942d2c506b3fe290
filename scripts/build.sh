#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Configures and builds into build/ (or the directory given as $1, with any
# further arguments passed to CMake).
set -euo pipefail
dir=${1:-build}
shift || true
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
