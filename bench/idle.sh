#!/usr/bin/env bash
# Start-up time, idle cost at each scale and click answer of the player,
# under a 1920 x 1080 virtual X display when none is set. Run after a build
# (./test.sh or ./run.sh): bench/idle.sh [build folder]
# QUORVEL_BASELINE=path/to/another/quorvel times that player's click answer too.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" -j"$(nproc)" --target quorvel-bench-idle
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$build/share/quorvel/." "$work/"
# Sounds play, silently, into ALSA's null device.
[ -n "${QUORVEL_NO_SOUND:-}" ] || printf "pcm.!default { type null }\n" > "$work/.asoundrc"
export HOME=$work
args=("$build" "$work")
[ -z "${QUORVEL_BASELINE:-}" ] || args+=("$QUORVEL_BASELINE")
QUORVEL_SCREEN=1920x1080 scripts/with-display.sh "$build/bench/quorvel-bench-idle" "${args[@]}"
