#!/usr/bin/env bash
# The Windows programs (Windows 95 to XP): built by Debian's mingw-w64 for i686, their imports
# checked against win/imports.allow (at every build) and their code scanned for SSE2, the zip
# for users made, and the tests under Debian's Wine in Xvfb (tests/windows/wine-test.sh),
# with Wine set to Windows XP and to Windows 98. i815ctl.exe's output is compared with that of
# the Linux i815ctl, built here without Qt.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/install-deps.sh windows

echo "== i815ctl for Linux, to compare with"
SECONDS=0
cmake -S . -B build-windows-ref -DCMAKE_BUILD_TYPE=Release -DQUARVEL_BUILD_UI=OFF -DQUARVEL_BUILD_TESTS=OFF \
  -DQUARVEL_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-windows-ref -j"$jobs" --target i815ctl

echo "== Build for Windows (mingw-w64, i686) and its checks"
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake -DCMAKE_BUILD_TYPE=Release \
  -DQUARVEL_LINUX_CTL="$PWD/build-windows-ref/ctl/i815ctl"
cmake --build build-windows -j"$jobs"
programs=(build-windows/win/i815quarvel.exe build-windows/win/i815quarvel-sim.exe build-windows/ctl/i815ctl.exe)
file "${programs[@]}"
tests/scripts/check_imports_test.sh
OBJDUMP=i686-w64-mingw32-objdump scripts/check-no-sse2.sh "${programs[@]}"
cmake --build build-windows --target windows-zip

echo "== Tests under Wine"
ctest --test-dir build-windows --output-on-failure
echo "Windows: ${SECONDS}s"
