#!/usr/bin/env bash
# Installs what is missing, builds the programs, and starts the window on the emulated i815.
# Arguments go to i815quarvel-sim: [--save FILE] [DUMP]
# Without a display, says so and shows the emulated chip with i815ctl instead.
# Afterwards `cmake --install build` installs the programs (under /usr/local).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/progress.sh

display=yes
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  display=
  echo "run-sim: no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set);" \
       "run it in a desktop session, over \`ssh -X\`, or under \`xvfb-run\` for a look." \
       "Meanwhile, once it is built, the emulated chip as i815ctl shows it." >&2
fi

scripts/install-deps.sh
step "run-sim: configuring the build in build/" \
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARVEL_BUILD_UI=ON
step "run-sim: building i815quarvel-sim, i815quarvel, i815ctl and the helper (a minute or two the first time)" \
  cmake --build build -j"$(nproc)" --target i815quarvel-sim i815quarvel i815ctl i815quarvel-helper
echo "run-sim: the programs are in build/: build/qt/i815quarvel-sim, build/qt/i815quarvel," \
     "build/ctl/i815ctl; \`cmake --install build\` installs them under /usr/local"

if [ -z "$display" ]; then
  route=--emulated skip=
  for arg in "$@"; do
    if [ -n "$skip" ]; then skip=; continue; fi
    case $arg in --save) skip=1 ;; -*) ;; *) route=--emulated=$arg ;; esac
  done
  exec build/ctl/i815ctl "$route" show
fi
exec build/qt/i815quarvel-sim "$@"
