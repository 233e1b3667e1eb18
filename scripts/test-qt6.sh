#!/usr/bin/env bash
# Modern machines (Qt 6): installs what is missing, builds everything and runs every test; then
# builds the tests again with AddressSanitizer and UndefinedBehaviorSanitizer and runs them there.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)

scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen

echo "== Build and tests (Qt 6)"
SECONDS=0
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARVEL_BUILD_UI=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"
echo "Qt 6: ${SECONDS}s"

echo "== Build and tests with AddressSanitizer and UndefinedBehaviorSanitizer"
SECONDS=0
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUARVEL_BUILD_UI=ON \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all"
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
LSAN_OPTIONS=suppressions=$root/scripts/lsan-system-libraries.supp:print_suppressions=0 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"
echo "Sanitizers: ${SECONDS}s"
