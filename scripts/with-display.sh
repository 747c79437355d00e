#!/usr/bin/env bash
# Runs a command where it can open windows: as it is when a display is set,
# else under a virtual X display (Xvfb) made for it and closed after it.
#   scripts/with-display.sh COMMAND [ARGUMENTS...]
# The virtual display is 1024 x 768 unless QUORVEL_SCREEN gives another
# size (WIDTHxHEIGHT).
set -euo pipefail
if [ -n "${DISPLAY:-}" ]; then
  exec "$@"
fi
exec xvfb-run -a -s "-screen 0 ${QUORVEL_SCREEN:-1024x768}x24" "$@"
