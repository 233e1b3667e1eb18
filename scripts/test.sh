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
# At the end, what each stage counted: ctest's totals, the tests it skipped and why they did
# not run, and the booted machines' checks.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS=0
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
summary=()

stage() {  # stage NAME SCRIPT [ARGS...]
  local name=$1 started=$SECONDS counts
  shift
  "$@" 2>&1 | tee "$logs/$name"
  counts=$(grep -E '^[0-9]+% tests passed|^(Guest|System) test: .* checks passed' "$logs/$name" |
    sed -E 's/^(Guest|System) test: [0-9]+s, /\1: /; s/^[0-9]+% tests passed, ([0-9]+) tests failed out of ([0-9]+)/\2 tests, \1 failed/' | paste -sd ';' | sed 's/;/; /g' || true)
  local skipped
  skipped=$(grep -c '(Skipped)$' "$logs/$name" || true)
  ((skipped == 0)) || counts+="; $skipped skipped"
  summary+=("$(printf '%-16s %5d s  %s' "$name" $((SECONDS - started)) "${counts:-green}")")
}

stage install-deps tests/scripts/install_deps_test.sh
stage test-qt6 scripts/test-qt6.sh
stage pictures scripts/make-pictures.sh --check
for part in test-qt5 fuzz guest-test package test-windows system-test; do
  stage $part scripts/$part.sh
done
echo "== Every stage green"
printf '%s\n' "${summary[@]}"
echo "All tests: ${SECONDS}s"
