#!/usr/bin/env bash
# Installs what is missing, builds, and starts the player on the demo book.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh run
cmake -S . -B build
cmake --build build -j"$(nproc)" --target quorvel demo
cd build/demo
exec ../quorvel
