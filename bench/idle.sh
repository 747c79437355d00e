#!/usr/bin/env bash
# Start-up time and idle cost of the player, under a virtual X display when
# none is set. Run after a build (./test.sh or ./run.sh): bench/idle.sh [build folder]
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
scripts/with-display.sh "$build/bench/quorvel-bench-idle" "$build" "$work"
