#!/usr/bin/env bash
# Every test, as CI runs them; installs what is missing first (Debian 12, as root):
#   test-qt6.sh    the build and tests with Qt 6, then again with ASan and UBSan
#   make-pictures.sh --check  the window's pictures made again and compared with data/pictures/
#   test-qt5.sh    Qt 5.15 natively, then the i386 build under QEMU's Pentium III model
#   fuzz.sh        the three fuzz targets, 60 seconds each
#   guest-test.sh  i815ctl and the helper on a real i386 kernel under qemu-system-i386
#   package.sh     the Debian packages: built twice and compared, checked, installed, run,
#                  enabled, removed, installed again and purged
#   test-windows.sh the Windows programs: built by mingw-w64, checked, zipped, tested under Wine
#   system-test.sh the i386 packages installed on a Debian 12 machine booted with systemd under
#                  qemu-system-i386 -cpu pentium3: the boot and resume apply, the hang guard,
#                  the helper's socket, pkexec, the window, the purge
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS=0
tests/scripts/install_deps_test.sh
scripts/test-qt6.sh
scripts/make-pictures.sh --check
for part in test-qt5 fuzz guest-test package test-windows system-test; do
  scripts/$part.sh
done
echo "All tests: ${SECONDS}s"
