#!/usr/bin/env bash
# The window's pictures for the README, the software centre and the Windows zip, made from the
# emulated chip, so that they never drift from the program: the four pages of the Qt window
# (Qt 6 under Xvfb at 96 dpi), and its chipset page on a chip whose throttle lock is set (the
# throttle lists greyed). PNG, optimised losslessly with optipng.
#   scripts/make-pictures.sh            make them into data/pictures/
#   scripts/make-pictures.sh --check    make them into build-pictures/ and compare each with the
#                                       one in data/pictures/: status 1 when one differs by more
#                                       than its anti-aliasing
# Installs what is missing first (Debian 12, as root).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source scripts/progress.sh

# Inside Xvfb: one window program at a time, its tabs clicked as a user clicks them. The tabs
# wrap in two rows and the chosen one's row moves to the front, so each click is on the place
# where that tab stands after the clicks before it.
# A window that does not show (the program once found no display at start, under load) is
# tried again twice; never is import left without a window, where it would grab the server
# and wait for a click on one.
shoot() {  # shoot NAME DUMP CLICK...: clicks ("X Y" in the window) in turn, then the picture
  local name=$1 dump=$2 window= pid click try
  shift 2
  for try in 1 2 3; do
    "$build/qt/i815quarvel-sim" ${dump:+"$dump"} 2>"$build/shoot.err" &
    pid=$!
    for _ in $(seq 100); do
      window=$(xdotool search --onlyvisible --name '^i815 Quarvel$' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
      kill -0 "$pid" 2>/dev/null || break  # it ended: no window will come
      sleep 0.1
    done
    [ -n "$window" ] && break
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    echo "pictures: $name: no window on try $try: $(cat "$build/shoot.err")" >&2
    sleep 1
  done
  if [ -z "$window" ]; then
    echo "pictures: $name: the window never showed" >&2
    exit 1
  fi
  sleep 1
  for click in "$@"; do
    # shellcheck disable=SC2086
    xdotool mousemove --window "$window" $click click 1
    sleep 0.5
  done
  xdotool mousemove 0 0  # no hover highlight in the picture
  sleep 0.5
  timeout 60 import -window "$window" "$out/$name.png"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
}
if [ "${1-}" = --shoot ]; then
  build=$2 out=$3
  shoot qt-about ""
  shoot qt-agp "" "140 27"
  shoot qt-memory "" "140 27" "178 10"
  shoot qt-chipset "" "140 27" "178 10" "282 10"
  shoot qt-chipset-throttle-locked "$build/locked.dump" "140 27" "178 10" "282 10"
  exit 0
fi

check=
[ "${1-}" = --check ] && check=1
scripts/install-deps.sh qt6 pictures

build=$root/build-pictures
step "pictures: building i815quarvel-sim and i815ctl in build-pictures/" \
  sh -c "cmake -S . -B '$build' -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARVEL_QT=6 -DQUARVEL_BUILD_TESTS=OFF \
           -DQUARVEL_BUILD_BENCHMARKS=OFF >/dev/null && cmake --build '$build' -j$(nproc) --target i815quarvel-sim i815ctl"
out=$build/pictures
[ -n "$check" ] || out=$root/data/pictures
rm -rf "$out"
mkdir -p "$out"

# The chip as the built-in one, and the same with the throttle lock set as some boards' BIOS
# leaves it (an ASUS CUSL2-C's: no read limit, writes limited to 62.5 %, the lock on).
"$build/ctl/i815ctl" --emulated --save-emulated "$build/locked.dump" set --force rdthr=none wrthr=62.5% thrlock=on \
  >/dev/null

step "pictures: the window's pages under Xvfb at 96 dpi" \
  xvfb-run -a -s '-screen 0 1024x768x24 -dpi 96 -nolisten tcp' "$0" --shoot "$build" "$out"
for picture in "$out"/*.png; do
  optipng -quiet -o5 -strip all "$picture"
done
ls -l "$out"/*.png | awk '{ printf "  %s: %d bytes\n", $NF, $5 }'

[ -n "$check" ] || exit 0
# Fonts are drawn with anti-aliasing, whose grey steps may differ by a shade between two runs:
# a pixel counts as changed only beyond a 20 % difference, and a picture as changed beyond 8
# such pixels.
status=0
for picture in "$out"/*.png; do
  name=$(basename "$picture")
  committed=$root/data/pictures/$name
  if [ ! -f "$committed" ]; then
    echo "pictures: $name is not in data/pictures/ (scripts/make-pictures.sh makes it)"
    status=1
    continue
  fi
  changed=$(compare -metric AE -fuzz 20% "$committed" "$picture" /dev/null 2>&1 || true)
  if [[ "$changed" =~ ^[0-9]+$ ]] && [ "$changed" -le 8 ]; then
    echo "pictures: $name as committed ($changed pixels differ)"
  else
    echo "pictures: $name differs from the committed one ($changed pixels); the window changed:" \
         "run scripts/make-pictures.sh and commit data/pictures/"
    status=1
  fi
done
exit $status
