#!/usr/bin/env bash
# Installs what is missing, builds the programs (the player, the book
# checker, the font maker) and their data, and starts the player: on the
# demo book, or on the book folder or working directory given.
#   ./run.sh [OPTIONS] [BOOK]      (the player's own; ./run.sh --help lists them)
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh run
cmake -S . -B build
cmake --build build -j"$(nproc)" --target quorvel quorvel-check quorvel-mkfont demo
exec build/bin/quorvel "$@"
