#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: first the whole
# suite built with AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan/), then each fuzz target on every input of its corpus and for
# 5 seconds more (build-fuzz/: a regression check; long searches are
# scripts/fuzz.sh's own), last the plain build's suite (build/), whose
# CTest summary ends the output. Tests that open windows run under a virtual X
# display when no display is set.
set -euo pipefail
cd "$(dirname "$0")"
started=$SECONDS
# Prints how long the run has taken so far, after each stage.
stage_done() {
  echo "== test.sh: $1 done at $(( (SECONDS - started) / 60 )) min $(( (SECONDS - started) % 60 )) s"
}
scripts/install-deps.sh test
stage_done "installing"
scripts/test-sanitized.sh
stage_done "sanitized build and suite"
scripts/fuzz.sh 5
stage_done "fuzzing"
cmake -S . -B build -DBUILD_TESTING=ON
cmake --build build -j"$(nproc)"
stage_done "plain build"
cd build
../scripts/with-display.sh ctest --output-on-failure -j2
