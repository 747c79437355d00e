#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Tests that open
# windows run under a virtual X display when no display is set.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh test
cmake -S . -B build
cmake --build build -j"$(nproc)"
cd build
if [ -n "${DISPLAY:-}" ]; then
  ctest --output-on-failure -j2
else
  xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j2
fi
