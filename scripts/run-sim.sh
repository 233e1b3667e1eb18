#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on the emulated i815.
# Arguments go to i815quarvel-sim: [--save FILE] [DUMP]
# Without a display, says so and shows the emulated chip with i815ctl instead.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "run-sim: no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set);" \
       "run it in a desktop session, over \`ssh -X\`, or under \`xvfb-run\` for a look." \
       "Meanwhile, the emulated chip as i815ctl shows it:" >&2
  scripts/install-deps.sh >&2
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARVEL_BUILD_UI=ON >/dev/null
  cmake --build build -j"$(nproc)" --target i815ctl >/dev/null
  route=--emulated skip=
  for arg in "$@"; do
    if [ -n "$skip" ]; then skip=; continue; fi
    case $arg in --save) skip=1 ;; -*) ;; *) route=--emulated=$arg ;; esac
  done
  exec build/ctl/i815ctl "$route" show
fi

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARVEL_BUILD_UI=ON >/dev/null
cmake --build build -j"$(nproc)" --target i815quarvel-sim
exec build/app/i815quarvel-sim "$@"
