#!/usr/bin/env bash
# The emulated window's start-up against a bare Qt Widgets window with four tab pages: the time
# to the first frame on an Xvfb screen, from main and from the application object, RUNS (21)
# times each, interleaved; prints the medians and their ratios.   scripts/startup-bench.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${RUNS:-21}
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
command -v xvfb-run >/dev/null || apt-get install -y -qq xvfb >/dev/null
cmake --build "$build" --target startup_benchmark >/dev/null
program=$build/bench/startup_benchmark

xvfb-run -a -s '-screen 0 1024x768x24 -dpi 96' bash -c '
  program=$1 runs=$2
  for kind in bare quarvel; do "$program" "$kind" >/dev/null; done  # warm the caches
  for ((i = 0; i < runs; i++)); do
    echo "bare $("$program" bare)"
    echo "quarvel $("$program" quarvel)"
  done' _ "$program" "$runs" |
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
      printf "%s, median of %d:\n", c == 1 ? "from main to the first frame" : "from the application object to the first frame", n["bare"]
      printf "  bare Qt window, four tab pages: %.1f ms\n  i815 Quarvel window (emulated): %.1f ms\n  ratio: %.2f\n", b, q, q / b
    }
  }'
