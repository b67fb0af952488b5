#!/usr/bin/env bash
# Builds Velkor and runs every test suite, installing what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/install-packages.sh

echo "== GCC build: unit and end-to-end tests"
cmake -S . -B build/gcc -DVELKOR_WERROR=ON
cmake --build build/gcc -j"$jobs"
ctest --test-dir build/gcc -L unit -j"$jobs" --output-on-failure
ctest --test-dir build/gcc -L '^e2e$' --output-on-failure
ctest --test-dir build/gcc -L '^install$' --output-on-failure

echo "== Clang build: unit tests"
CC=clang CXX=clang++ cmake -S . -B build/clang -DVELKOR_WERROR=ON
cmake --build build/clang -j"$jobs"
ctest --test-dir build/clang -L unit -j"$jobs" --output-on-failure

echo "== Hardening: sanitizers, fuzzing, the real program in a hostile environment"
scripts/test-hardening.sh

if [[ -x scripts/test-windows.sh ]]; then
  echo "== Windows build under Wine"
  scripts/test-windows.sh
fi
