#!/usr/bin/env bash
# Lists what each Windows program imports and fails when one of those functions is not on the
# allow-list: the functions that Windows 98 and NT 4 both have, one "dll function" a line,
# each with the reason it is known to be there. mingw-w64's headers barely guard functions by
# version, so this, not _WIN32_WINNT, keeps a newer function out of the programs.
#   scripts/check-imports.sh ALLOW-LIST PROGRAM.exe...     (OBJDUMP=... picks the tool)
set -euo pipefail
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
allow=$1
shift
allowed=$(awk '!/^[[:space:]]*(#|$)/ { print tolower($1) " " $2 }' "$allow" | sort -u)
status=0
for program in "$@"; do
  # "DLL Name: KERNEL32.dll", then "  vma  hint  name" lines up to the next blank line.
  imports=$("$objdump" -p "$program" | awk '
    /^\tDLL Name: / { dll = tolower($3); sub(/\.dll$/, "", dll); listing = 0; next }
    dll && /^\tvma:/ { listing = 1; next }
    listing && NF == 0 { listing = 0; dll = ""; next }
    listing && NF >= 3 { print dll " " $3 }' | sort -u)
  if [ -z "$imports" ]; then
    echo "$program: no imports found (not a PE program?)" >&2
    status=1
    continue
  fi
  missing=$(comm -23 <(echo "$imports") <(echo "$allowed"))
  count=$(wc -l <<< "$imports")
  if [ -n "$missing" ]; then
    echo "$program imports what is not on $(basename "$allow") (Windows 98 or NT 4 may lack it):" >&2
    sed 's/^/  /' <<< "$missing" >&2
    status=1
  else
    echo "$program: $count imports, all on $(basename "$allow")"
  fi
done
exit $status
