#!/usr/bin/env bash
# The driver image check itself: it must pass a native i386 image that exports nothing, and name
# what is wrong with one that exports a function of its own, one of the console subsystem, and
# one whose checksum no longer fits its bytes.   tests/scripts/check_driver_image_test.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
check=$root/scripts/check-driver-image.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat > "$work/driver.c" <<'C'
long __stdcall DriverEntry(void* driver, void* path) { return driver == path; }
#ifdef EXTRA
__declspec(dllexport) int Extra(void) { return 1; }
#endif
C
build() {  # NAME SUBSYSTEM [LINK-OPTION...]
  local name=$1 subsystem=$2
  shift 2
  i686-w64-mingw32-gcc-win32 -O2 -shared -nostdlib -Wl,--subsystem,"$subsystem" -Wl,--entry,_DriverEntry@8 "$@" \
    "$work/driver.c" -o "$work/$name.sys"
}
build good native -Wl,--exclude-all-symbols
build exports native -DEXTRA
build console console -Wl,--exclude-all-symbols
build bad-sum native -Wl,--exclude-all-symbols
printf '\001' | dd of="$work/bad-sum.sys" bs=1 seek=1100 conv=notrunc 2>/dev/null

failed=0
"$check" "$work/good.sys" >/dev/null || { echo "FAIL: a good image was refused"; failed=1; }
for case in "exports:exports Extra" "console:not of the native subsystem" "bad-sum:of the file"; do
  name=${case%%:*} problem=${case#*:}
  if out=$("$check" "$work/$name.sys" 2>&1); then
    echo "FAIL: $name.sys passed: $out"; failed=1
  elif [[ "$out" != *"$problem"* ]]; then
    echo "FAIL: $name.sys: \"$problem\" not said in: $out"; failed=1
  fi
done
[ $failed -eq 0 ] && echo "check-driver-image.sh: a native image without exports passes, others are named and fail"
exit $failed
