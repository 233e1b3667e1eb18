#!/usr/bin/env bash
# Fails when a driver is not what Windows 2000 and XP load as i815quarvel.sys: a PE image for
# i386, of the native subsystem, whose header holds the file's checksum (which the kernel may
# verify), and that exports nothing but its entry point DriverEntry (the driver offers its two
# requests and nothing else, to no other driver either).
#   scripts/check-driver-image.sh DRIVER.sys...     (OBJDUMP=... picks the tool)
set -euo pipefail
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}

pe_checksum() {  # FILE: "stored computed", the checksum in the PE header and the file's own
  local file=$1 at
  at=$(($(od -An -tu4 -j 60 -N 4 "$file") + 88))
  { od -An -tu4 -j "$at" -N 4 "$file"; od -An -tu2 -v "$file"; } |
    awk -v skip=$((at / 2)) -v size="$(stat -c %s "$file")" '
      NR == 1 { stored = $1; next }
      { for (i = 1; i <= NF; i++) { if (w != skip && w != skip + 1) { sum += $i; sum = sum % 65536 + int(sum / 65536) } w++ } }
      END { printf "%d %d\n", stored, sum + size }'
}

status=0
for driver in "$@"; do
  header=$("$objdump" -p "$driver")
  problems=()
  grep -q 'file format pei-i386$' <<< "$header" || problems+=("not an i386 PE image")
  grep -Eq '^Subsystem[[:space:]]+00000001[[:space:]]' <<< "$header" || problems+=("not of the native subsystem")
  read -r stored computed <<< "$(pe_checksum "$driver")"
  [ "$stored" = "$computed" ] || problems+=("checksum $stored in the header, $computed of the file")
  # The names of the export table: the lines after "[Ordinal/Name Pointer] Table".
  exports=$(awk '/^\[Ordinal\/Name Pointer\] Table/ { names = 1; next }
                 names && NF == 0 { names = 0 }
                 names { print $NF }' <<< "$header" | grep -Ev '^DriverEntry(@8)?$' || true)
  [ -z "$exports" ] || problems+=("exports $(paste -sd" " <<< "$exports")")
  if [ ${#problems[@]} -gt 0 ]; then
    said=$(printf '%s; ' "${problems[@]}")
    echo "$driver: ${said%; }" >&2
    status=1
  else
    echo "$driver: i386, native subsystem, its checksum, no exports beyond DriverEntry"
  fi
done
exit $status
