#!/usr/bin/env bash
# The import check itself: it must pass a program that imports only listed functions, and
# name what a program imports beyond the list (here GetTickCount64, new with Windows Vista, and
# a Unicode function).   tests/scripts/check_imports_test.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
check=$root/scripts/check-imports.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat > "$work/allow" <<'LIST'
# a comment, then functions with reasons
kernel32  ExitProcess   Win32 of 95 and NT 3.51
KERNEL32  GetTickCount  Win32 of 95 and NT 3.51 (the DLL's name in any case)
LIST
cat > "$work/old.c" <<'C'
#include <windows.h>
void start(void) { ExitProcess(GetTickCount() == 0); }
C
cat > "$work/new.c" <<'C'
#include <windows.h>
void start(void) { ExitProcess(GetTickCount64() == 0 || GetModuleHandleW(0) == 0); }
C
for p in old new; do
  i686-w64-mingw32-gcc-win32 -O2 -nostdlib -Wl,-e,_start -D_WIN32_WINNT=0x0600 "$work/$p.c" -o "$work/$p.exe" -lkernel32
done
failed=0
out=$("$check" "$work/allow" "$work/old.exe") || { echo "FAIL: a program of listed imports was refused: $out"; failed=1; }
grep -q "2 imports, all on allow" <<< "$out" || { echo "FAIL: no count in: $out"; failed=1; }
set +e
out=$("$check" "$work/allow" "$work/new.exe" 2>&1); status=$?
set -e
[ "$status" -eq 1 ] || { echo "FAIL: GetTickCount64 passed, or the check ended with status $status"; failed=1; }
for name in "kernel32 GetTickCount64" "kernel32 GetModuleHandleW"; do
  grep -q "  $name$" <<< "$out" || { echo "FAIL: \"$name\" not named in: $out"; failed=1; }
done
grep -q "ExitProcess" <<< "$out" && { echo "FAIL: a listed function was named: $out"; failed=1; }
[ $failed -eq 0 ] && echo "check-imports.sh: listed imports pass, others are named and fail"
exit $failed
