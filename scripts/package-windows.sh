#!/usr/bin/env bash
# The zip for Windows users: the programs and the driver (stripped), README.txt and LICENSE.txt
# as Windows text (CRLF, Windows-1252), the sample profile, the JSON Schema of i815ctl's --json
# and the window's pictures. The driver is the one built for the HAL, i815quarvel.sys, never the
# tests' build, and is checked again once stripped.
#   scripts/package-windows.sh PROGRAM-DIR... ZIP
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
zip_path=$(realpath -m "${*: -1}")
dirs=("${@:1:$#-1}")
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

windows_text() { iconv -f UTF-8 -t WINDOWS-1252 "$1" | sed 's/$/\r/' >"$2"; }

files=(i815quarvel.exe i815quarvel-sim.exe i815ctl.exe i815quarvel.sys)
for program in "${files[@]}"; do
  found=
  for dir in "${dirs[@]}"; do
    [ -f "$dir/$program" ] && found=$dir/$program
  done
  [ -n "$found" ] || { echo "package-windows: $program not built" >&2; exit 1; }
  i686-w64-mingw32-strip -o "$stage/$program" "$found"
done
"$root/scripts/check-driver-image.sh" "$stage/i815quarvel.sys" >/dev/null
windows_text "$root/data/windows/README.txt" "$stage/README.txt"
windows_text "$root/LICENSE" "$stage/LICENSE.txt"
windows_text "$root/data/windows/sample.conf" "$stage/sample.conf"
windows_text "$root/data/json/i815ctl.schema.json" "$stage/i815ctl.schema.json"
mkdir "$stage/pictures"
pictures=(qt-about.png qt-agp.png qt-memory.png qt-chipset.png qt-chipset-throttle-locked.png)
for picture in "${pictures[@]}"; do
  cp "$root/data/pictures/$picture" "$stage/pictures/"
done
touch -d 2000-01-01 "$stage"/* "$stage"/pictures/*  # the same zip from the same files
rm -f "$zip_path"
(cd "$stage" && zip -q -X -9 "$zip_path" "${files[@]}" README.txt LICENSE.txt sample.conf i815ctl.schema.json \
  "${pictures[@]/#/pictures/}")
echo "$zip_path:"
unzip -l "$zip_path" | sed -n '4,$p'
