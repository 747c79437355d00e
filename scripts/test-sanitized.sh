#!/usr/bin/env bash
# Builds the project with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan/ and runs the whole test suite there, the real player of the
# end-to-end tests included. The first report of either sanitizer, or any
# leak outside the system libraries named in tests/lsan.supp, fails the run.
# Expects the packages of `scripts/install-deps.sh test`; opens its windows
# under a virtual X display when none is set (scripts/with-display.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

cmake -S . -B build-asan -DBUILD_TESTING=ON -DQUORVEL_SANITIZE=address,undefined -DQUORVEL_BENCH=OFF
cmake --build build-asan -j"$(nproc)"

# A report aborts the process (abort_on_error), so that it can never pass for
# the player's own fatal exit with status 1 that the death tests expect.
# Stacks are unwound in full so that leak suppressions see every library frame.
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:fast_unwind_on_malloc=0:print_stacktrace=1:check_initialization_order=1"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:abort_on_error=1:print_stacktrace=1"

# LeakSanitizer stops every thread of a process with ptrace to look for
# leaks as it exits. On some machines (the clean Debian containers CI makes)
# its tracer crashes itself ("Tracer caught signal 11 ... LeakSanitizer has
# encountered a fatal error") in the processes of the tests that start a
# second X server or change the window's scale, after the test has passed,
# and fails it. When that is what a run saw, the tests that failed run once
# more with the leak check off and AddressSanitizer and UBSan still on: a
# test that fails for a reason of its own fails again. The leak tests of
# the suite (Leaks.*, the leak rounds) are not among those that start a
# second server.
cd build-asan
log=$(mktemp)
trap 'rm -f "$log"' EXIT
set +e
../scripts/with-display.sh ctest --output-on-failure -j2 2>&1 | tee "$log"
status=${PIPESTATUS[0]}
set -e
if [ "$status" -ne 0 ] && grep -q "LeakSanitizer has encountered a fatal error" "$log"; then
  echo "== test-sanitized.sh: LeakSanitizer's tracer crashed during the run; the failed tests once more, without the leak check:"
  ASAN_OPTIONS="${ASAN_OPTIONS/detect_leaks=1/detect_leaks=0}" \
    ../scripts/with-display.sh ctest --rerun-failed --output-on-failure
  status=$?
fi
exit "$status"
