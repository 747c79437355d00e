#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each:
#   scripts/fuzz.sh [seconds]   explores for that long a target (default 600)
#                               from a random start, from its seed corpus in
#                               fuzz/corpus/<target>/ and what earlier runs
#                               found (kept in build-fuzz/corpus/<target>/)
#   scripts/fuzz.sh --runs N    runs N inputs a target from a fixed seed and
#                               the seed corpus alone: the same inputs on
#                               every machine, so that a test run's result
#                               does not depend on chance (what test.sh runs)
# An input that crashes a target, breaks one of its checks, leaks, or runs
# longer than 10 seconds ends the run with a failure; the input is kept as
# build-fuzz/artifacts/<target>/crash-* (or leak-*, timeout-*). Expects the
# packages of `scripts/install-deps.sh test`.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
targets=(keyvalue settings book media)
if [ "${1:-}" = --runs ]; then
  length=(-runs="${2:?--runs needs a number}" -seed=1)
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
else
  length=(-max_total_time="${1:-600}")
  scratch=
fi

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DQUORVEL_FUZZ=ON
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:fast_unwind_on_malloc=0"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:abort_on_error=1:print_stacktrace=1"

for target in "${targets[@]}"; do
  # Absolute paths: the targets work in a scratch directory of their own.
  # New inputs go to the first corpus folder: with a fixed seed, a fresh
  # one, so that every such run starts from the seeds alone.
  corpus=${scratch:-$root/build-fuzz/corpus}/$target
  artifacts=$root/build-fuzz/artifacts/$target
  mkdir -p "$corpus" "$artifacts"
  log=build-fuzz/fuzz-$target.log
  max_len=16384 # text files; media files need room for a few Ogg pages
  [ "$target" = media ] && max_len=65536
  echo "fuzz_$target: ${length[*]}"
  if ! build-fuzz/fuzz/fuzz_$target "${length[@]}" -timeout=10 -max_len="$max_len" \
       -dict="$root/fuzz/keys.dict" -artifact_prefix="$artifacts/" -print_final_stats=1 \
       "$corpus" "$root/fuzz/corpus/$target" > "$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz_$target FAILED: the input is kept under $artifacts/" >&2
    exit 1
  fi
  grep -E '^stat::number_of_executed_units|^stat::average_exec_per_sec|^stat::peak_rss_mb' "$log" \
    | sed "s/^/fuzz_$target /"
done
