#!/usr/bin/env bash
# The Windows programs (Windows 95 to XP): built, checked and zipped by build-windows.sh, then
# tested under Debian's Wine in Xvfb (tests/win32/wine-test.sh) with Wine set to Windows XP
# and to Windows 98. i815ctl.exe's output is compared with that of the Linux i815ctl, built here
# without Qt.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS=0

scripts/install-deps.sh windows
echo "== i815ctl for Linux, to compare with"
cmake -S . -B build-windows-ref -DCMAKE_BUILD_TYPE=Release -DQUARVEL_BUILD_UI=OFF -DQUARVEL_BUILD_TESTS=OFF \
  -DQUARVEL_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-windows-ref -j"$(nproc)" --target i815ctl

echo "== Build for Windows (mingw-w64, i686), its checks and its zip"
tests/scripts/check_imports_test.sh
tests/scripts/check_driver_image_test.sh
scripts/build-windows.sh -DQUARVEL_LINUX_CTL="$PWD/build-windows-ref/ctl/i815ctl"

echo "== Tests under Wine"
ctest --test-dir build-windows --output-on-failure
# ctest shows no output of a skipped test; each says why in its first line.
grep -h '^skipped: ' build-windows/Testing/Temporary/LastTest.log | sort | uniq -c || true
echo "Windows: ${SECONDS}s"
