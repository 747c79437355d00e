#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: first the whole
# suite built with AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan/), then a short run of each fuzz target (build-fuzz/), last the
# plain build's suite (build/), whose CTest summary ends the output. Tests
# that open windows run under a virtual X display when no display is set.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh test
scripts/test-sanitized.sh
scripts/fuzz.sh 30
cmake -S . -B build
cmake --build build -j"$(nproc)"
cd build
../scripts/with-display.sh ctest --output-on-failure -j2
