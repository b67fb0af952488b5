#!/usr/bin/env bash
# Hardening: the unit and hardening suites built with Clang under
# AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer; the fuzz
# targets for a bounded time each; the real program, built plainly, in a
# hostile environment and under memcheck. Every phase runs; the exit code is
# non-zero when any of them failed.
#
#   scripts/test-hardening.sh            # fuzzers 20 s each
#   VELKOR_FUZZ_SECONDS=600 scripts/test-hardening.sh
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
fuzz_seconds=${VELKOR_FUZZ_SECONDS:-20}

scripts/install-packages.sh

sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
# Findings end the process; the unit suite also checks the order of static
# initialisation and the use of stack memory after its function returned.
export ASAN_OPTIONS=${ASAN_OPTIONS:-check_initialization_order=1:detect_stack_use_after_return=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
started=$SECONDS
phase_started=$SECONDS

begin() {
  echo "== $1"
  phase_started=$SECONDS
}

end() {
  local name=$1 status=$2
  echo "-- $name: $([[ $status == 0 ]] && echo passed || echo FAILED) in $((SECONDS - phase_started)) s"
  [[ $status == 0 ]] || failed+=("$name")
}

sanitized() {
  CC=clang CXX=clang++ cmake -S . -B build/asan -DVELKOR_WERROR=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS="$sanitizers" -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" &&
    cmake --build build/asan -j"$jobs" &&
    ctest --test-dir build/asan -L '^(unit|hardening)$' -j"$jobs" --output-on-failure \
      --no-tests=error
}

fuzzed() {
  # The libraries carry the coverage the fuzzer steers by; only the fuzz
  # targets link libFuzzer itself.
  CC=clang CXX=clang++ cmake -S . -B build/fuzz -DVELKOR_WERROR=ON -DVELKOR_FUZZ=ON \
    -DVELKOR_FUZZ_SECONDS="$fuzz_seconds" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,${sanitizers#-fsanitize=}" \
    -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" &&
    cmake --build build/fuzz --target fuzzers -j"$jobs" &&
    ctest --test-dir build/fuzz -L '^fuzz$' -j"$jobs" --output-on-failure --no-tests=error
}

plain() {
  # The tree of scripts/test.sh's GCC build, so that it is built only once.
  cmake -S . -B build/gcc -DVELKOR_WERROR=ON &&
    cmake --build build/gcc -j"$jobs" --target velkor hardening_tests &&
    ctest --test-dir build/gcc -L '^hardening$' -j"$jobs" --output-on-failure --no-tests=error
}

begin "Sanitizer build (Clang; address, undefined, leak): unit and hardening tests"
# Called in a condition, a function runs without errexit: each chains its
# steps with && so that a failed step ends it with that step's status.
status=0; sanitized || status=$?; end "sanitizers" $status

begin "Fuzzing (libFuzzer with address and undefined): ${fuzz_seconds} s each"
status=0; fuzzed || status=$?; end "fuzzing" $status

begin "Plain build: the real program in a hostile environment and under memcheck"
status=0; plain || status=$?; end "real program" $status

echo "== Hardening took $((SECONDS - started)) s"
if ((${#failed[@]} > 0)); then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
