#!/usr/bin/env bash
# Runs a command where it can open windows: as it is when a display is set,
# else under a virtual X display (Xvfb) made for it and closed after it.
#   scripts/with-display.sh COMMAND [ARGUMENTS...]
set -euo pipefail
if [ -n "${DISPLAY:-}" ]; then
  exec "$@"
fi
exec xvfb-run -a -s "-screen 0 1024x768x24" "$@"
