#!/usr/bin/env bash
# The zip for Windows users: the programs (stripped), README.txt and LICENSE.txt as Windows
# text (CRLF, Windows-1252), the sample profile and the window's pictures.
#   scripts/package-windows.sh PROGRAM-DIR... ZIP
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
zip_path=$(realpath -m "${*: -1}")
dirs=("${@:1:$#-1}")
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

windows_text() { iconv -f UTF-8 -t WINDOWS-1252 "$1" | sed 's/$/\r/' >"$2"; }

for program in i815quarvel.exe i815quarvel-sim.exe i815ctl.exe; do
  found=
  for dir in "${dirs[@]}"; do
    [ -f "$dir/$program" ] && found=$dir/$program
  done
  [ -n "$found" ] || { echo "package-windows: $program not built" >&2; exit 1; }
  i686-w64-mingw32-strip -o "$stage/$program" "$found"
done
windows_text "$root/data/windows/README.txt" "$stage/README.txt"
windows_text "$root/LICENSE" "$stage/LICENSE.txt"
windows_text "$root/data/windows/sample.conf" "$stage/sample.conf"
mkdir "$stage/pictures"
cp "$root"/data/pictures/qt-*.png "$stage/pictures/"
touch -d 2000-01-01 "$stage"/* "$stage"/pictures/*  # the same zip from the same files
rm -f "$zip_path"
(cd "$stage" && zip -q -X -9 "$zip_path" i815quarvel.exe i815quarvel-sim.exe i815ctl.exe README.txt LICENSE.txt sample.conf \
  pictures/qt-about.png pictures/qt-agp.png pictures/qt-memory.png pictures/qt-chipset.png \
  pictures/qt-chipset-throttle-locked.png)
echo "$zip_path:"
unzip -l "$zip_path" | sed -n '4,$p'
