#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on the emulated i815.
# Arguments go to i815quarvel-sim: [--save FILE] [DUMP]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARVEL_BUILD_UI=ON >/dev/null
cmake --build build -j"$(nproc)" --target i815quarvel-sim
exec build/app/i815quarvel-sim "$@"
