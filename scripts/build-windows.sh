#!/usr/bin/env bash
# Builds the Windows programs (Windows 95 to XP) and the driver for Windows 2000 and XP with
# Debian's mingw-w64 for i686 into build-windows/, checks what they import and the driver's
# image (at every build) and that they hold no SSE2, and makes the zip for users:
# build-windows/i815quarvel-VERSION-windows.zip.
#   scripts/build-windows.sh [CMAKE-OPTION...]
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh windows
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake -DCMAKE_BUILD_TYPE=Release "$@"
cmake --build build-windows -j"$(nproc)"
programs=(build-windows/win32/i815quarvel.exe build-windows/win32/i815quarvel-sim.exe build-windows/ctl/i815ctl.exe
          build-windows/driver/i815quarvel.sys)
file "${programs[@]}"
OBJDUMP=i686-w64-mingw32-objdump scripts/check-no-sse2.sh "${programs[@]}"
cmake --build build-windows --target windows-zip
