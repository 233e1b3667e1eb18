#!/usr/bin/env bash
# The builds for the machines the i815 lives in, with Qt 5.15:
#  1. natively on x86-64 against Qt 5.15, all tests;
#  2. for i386 (i686 without SSE2) with Debian's cross compiler and i386 multiarch Qt 5.15,
#     all tests run under user-mode QEMU with a Pentium III model, and a scan of the binaries
#     for instructions a Pentium III lacks.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

scripts/install-deps.sh qt5 i386

echo "== Build and tests (Qt 5.15, x86-64)"
SECONDS=0
cmake -S . -B build-qt5 -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARVEL_QT=5 -DQUARVEL_BUILD_UI=ON \
  -DQUARVEL_BUILD_BENCHMARKS=OFF
cmake --build build-qt5 -j"$jobs"
ctest --test-dir build-qt5 --output-on-failure -j"$jobs"
echo "Qt 5.15 x86-64: ${SECONDS}s"

echo "== Build for i386 (Qt 5.15) and tests under qemu-i386 -cpu pentium3"
SECONDS=0
cmake -S . -B build-i386 -DCMAKE_TOOLCHAIN_FILE=cmake/i686-linux-gnu.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARVEL_QT=5 -DQUARVEL_BUILD_UI=ON -DQUARVEL_BUILD_BENCHMARKS=OFF
cmake --build build-i386 -j"$jobs"
programs=(build-i386/qt/i815quarvel build-i386/qt/i815quarvel-sim build-i386/ctl/i815ctl
          build-i386/helper/i815quarvel-helper)
file "${programs[@]}"
tests/scripts/check_no_sse2_test.sh
scripts/check-no-sse2.sh "${programs[@]}" build-i386/tests/*_tests build-i386/tests/form/*_tests build-i386/tests/qt/*_tests
# Shows that every test runs under QEMU's Pentium III model.
ctest --test-dir build-i386 -N -V | awk '/Test command:/ && !shown { print; shown = 1 }'
ctest --test-dir build-i386 --output-on-failure -j"$jobs"
echo "i386 under the Pentium III model: ${SECONDS}s"
