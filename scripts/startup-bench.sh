#!/usr/bin/env bash
# The emulated window's start-up as a user waits for it, against a bare Qt Widgets window with
# four empty tab pages of the same size: from the start of the process to the map of its window
# on an Xvfb screen, and the processor time the process had used by then (less stretched by a
# loaded machine). RUNS (15) interleaved pairs after one warm-up each; prints the medians and
# their ratios. With --callgrind, the instructions each executes from the start of the process
# to its request to map the window instead: one run each, not disturbed by the machine's load.
#   scripts/startup-bench.sh [--callgrind] [BUILD_DIR]
# Exit status: 0, or 1 when a program cannot be built or started.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=time
if [ "${1-}" = --callgrind ]; then
  mode=callgrind
  shift
fi
build=${1:-build}
runs=${RUNS:-15}
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
command -v xvfb-run >/dev/null || { echo "startup-bench: xvfb-run is missing (package xvfb)" >&2; exit 1; }
[ $mode = time ] || command -v valgrind >/dev/null ||
  { echo "startup-bench: valgrind is missing (package valgrind)" >&2; exit 1; }
cmake --build "$build" --target first_map bare_window i815quarvel-sim >/dev/null ||
  { echo "startup-bench: cannot build the programs in $build (the watcher needs libxcb1-dev)" >&2; exit 1; }
bare=$build/benchmarks/bare_window
quarvel=$build/qt/i815quarvel-sim
# -noreset: the server would reset whenever its last client leaves, between two runs, and refuse
# the watcher's next connection while it does.
screen=(-a -s '-screen 0 1024x768x24 -dpi 96 -noreset')

if [ $mode = callgrind ]; then
  out=$(mktemp -d)
  # Callgrind writes its counts when the program asks the X server to map the window; the
  # watcher then ends the program.
  xvfb-run "${screen[@]}" bash -c '
    for kind in bare quarvel; do
      program=$2; [ $kind = quarvel ] && program=$3
      "$1" valgrind -q --tool=callgrind --dump-before=xcb_map_window \
        --callgrind-out-file="$4/$kind.%p" "$program" >/dev/null
    done' _ "$build/benchmarks/first_map" "$bare" "$quarvel" "$out"
  for kind in bare quarvel; do
    # The first dump is the one at the map; the last holds what ran after it.
    first=$(ls "$out/$kind".*.1 2>/dev/null | head -n 1)
    [ -n "$first" ] || { echo "startup-bench: no callgrind counts for the $kind window" >&2; exit 1; }
    printf '%s %s\n' $kind "$(sed -n 's/^summary: *//p' "$first")"
  done | awk '
    { ir[$1] = $2 }
    END {
      print "instructions from the start of the process to the map of the window:"
      printf "  bare Qt window, four tab pages: %d\n  i815 Quarvel window (emulated): %d\n  ratio: %.3f\n",
             ir["bare"], ir["quarvel"], ir["quarvel"] / ir["bare"]
    }'
  rm -rf "$out"
  exit 0
fi

times=$(xvfb-run "${screen[@]}" bash -c '
  watcher=$1 bare=$2 quarvel=$3 runs=$4
  "$watcher" "$bare" >/dev/null && "$watcher" "$quarvel" >/dev/null || exit 1  # warm the caches
  for ((i = 0; i < runs; i++)); do
    b=$("$watcher" "$bare") && q=$("$watcher" "$quarvel") || exit 1
    echo "bare $b"
    echo "quarvel $q"
  done' _ "$build/benchmarks/first_map" "$bare" "$quarvel" "$runs") ||
  { echo "startup-bench: a run failed" >&2; exit 1; }
awk '
  { n[$1]++; t[$1, 1, n[$1]] = $2; t[$1, 2, n[$1]] = $3 }
  function median(kind, column,   i, j, m, v, s) {
    m = n[kind]
    for (i = 1; i <= m; i++) v[i] = t[kind, column, i]
    for (i = 1; i <= m; i++) for (j = i + 1; j <= m; j++) if (v[j] < v[i]) { s = v[i]; v[i] = v[j]; v[j] = s }
    return m % 2 ? v[(m + 1) / 2] : (v[m / 2] + v[m / 2 + 1]) / 2
  }
  END {
    for (c = 1; c <= 2; c++) {
      b = median("bare", c); q = median("quarvel", c)
      printf "%s, median of %d pairs:\n", c == 1 ? "from the start of the process to the map of the window" \
                                                : "processor time used by then (all threads)", n["bare"]
      printf "  bare Qt window, four tab pages: %.1f ms\n  i815 Quarvel window (emulated): %.1f ms\n  ratio: %.2f\n", b, q, q / b
    }
  }' <<< "$times"
