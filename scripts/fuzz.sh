#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs them:
#   scripts/fuzz.sh [seconds]  explores for that long a target (default 600),
#                              starting from its corpus in fuzz/corpus/<target>/
#                              and what earlier runs found (kept in
#                              build-fuzz/corpus/<target>/)
#   scripts/fuzz.sh --merge    adds to fuzz/corpus/<target>/ the fewest of
#                              those found inputs that reach what it does not
#   scripts/fuzz.sh --replay   runs every target once on each input of its
#                              corpus, and nothing else (an exploring run
#                              begins the same way)
# An input that crashes a target, breaks one of its checks, leaks, or runs
# longer than 10 seconds ends the run with a failure; the input is kept as
# build-fuzz/artifacts/<target>/crash-* (or leak-*, timeout-*). Expects the
# packages of `scripts/install-deps.sh test`.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
targets=(keyvalue settings book media font)
mode=explore
case "${1:-}" in
  --replay) mode=replay ;;
  --merge) mode=merge ;;
esac
seconds=600
[ "$mode" = explore ] && seconds=${1:-600}

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DBUILD_TESTING=ON -DQUORVEL_FUZZ=ON
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:fast_unwind_on_malloc=0"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:abort_on_error=1:print_stacktrace=1"

for target in "${targets[@]}"; do
  # Absolute paths: the targets work in a scratch directory of their own.
  corpus=$root/fuzz/corpus/$target
  found=$root/build-fuzz/corpus/$target
  artifacts=$root/build-fuzz/artifacts/$target
  mkdir -p "$found" "$artifacts"
  log=build-fuzz/fuzz-$target.log
  max_len=16384 # text files; media files need room for a few Ogg pages
  [ "$target" = media ] && max_len=65536
  dict=$root/fuzz/keys.dict
  [ "$target" = font ] && dict=$root/fuzz/font.dict
  common=(-timeout=10 -max_len="$max_len" -artifact_prefix="$artifacts/" -print_final_stats=1)
  case $mode in
    replay)
      echo "fuzz_$target: each of its $(ls "$corpus" | wc -l) inputs once"
      run=(build-fuzz/fuzz/fuzz_$target "${common[@]}" -runs=0 "$corpus") ;;
    merge)
      echo "fuzz_$target: merging what earlier runs found into $corpus"
      run=(build-fuzz/fuzz/fuzz_$target "${common[@]}" -merge=1 "$corpus" "$found") ;;
    explore)
      echo "fuzz_$target: $seconds s"
      # New inputs go to the first folder given, not to the corpus itself.
      run=(build-fuzz/fuzz/fuzz_$target "${common[@]}" -max_total_time="$seconds"
           -dict="$dict" "$found" "$corpus") ;;
  esac
  if ! "${run[@]}" > "$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz_$target FAILED: the input is kept under $artifacts/" >&2
    exit 1
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb|^MERGE-OUTER: [0-9]+ new' "$log" \
    | sed "s/^/fuzz_$target /" || true
done
