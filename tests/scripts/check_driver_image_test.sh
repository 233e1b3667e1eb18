#!/usr/bin/env bash
# The driver image check itself: a native i386 image without exports passes; one that exports a
# function of its own, one of the console subsystem and one whose checksum no longer fits its
# bytes fail, each named with its fault.   tests/scripts/check_driver_image_test.sh
set -euo pipefail
check=$(cd "$(dirname "$0")/../.." && pwd)/scripts/check-driver-image.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '%s\n' 'long __stdcall DriverEntry(void* d, void* p) { return d == p; }' \
  '#ifdef EXTRA' '__declspec(dllexport) int Extra(void) { return 1; }' '#endif' >"$work/driver.c"
build() {  # NAME SUBSYSTEM [OPTION...]
  i686-w64-mingw32-gcc-win32 -O2 -shared -nostdlib -Wl,--subsystem,"$2" -Wl,--entry,_DriverEntry@8 \
    -Wl,--exclude-all-symbols "${@:3}" "$work/driver.c" -o "$work/$1.sys"
}
build good native && build exports native -DEXTRA && build console console && build bad-sum native
printf '\001' | dd of="$work/bad-sum.sys" bs=1 seek=1100 conv=notrunc 2>/dev/null
failed=0
"$check" "$work/good.sys" >/dev/null || { echo "FAIL: a good image was refused"; failed=1; }
for case in "exports:exports Extra" "console:not of the native subsystem" "bad-sum:of the file"; do
  if out=$("$check" "$work/${case%%:*}.sys" 2>&1) || [[ "$out" != *"${case#*:}"* ]]; then
    echo "FAIL: ${case%%:*}.sys: \"${case#*:}\" not said in: $out"; failed=1
  fi
done
[ $failed -eq 0 ] && echo "check-driver-image.sh: a native image without exports passes, others are named and fail"
exit $failed
