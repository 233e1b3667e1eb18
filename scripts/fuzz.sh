#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer, and
# runs each from its seed corpus in fuzz/corpus for FUZZ_SECONDS (60) seconds. Any crash, leak,
# hang (10 s for one input) or sanitizer report fails; the input that caused it is kept in
# build-fuzz/findings/ and named here.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}

scripts/install-deps.sh fuzz

echo "== Fuzzing (${seconds}s a target)"
SECONDS=0
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUARVEL_FUZZ=ON \
  -DQUARVEL_BUILD_UI=OFF -DQUARVEL_BUILD_TESTS=OFF -DQUARVEL_BUILD_BENCHMARKS=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all" >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzz_dump_reader fuzz_profile_reader fuzz_helper_requests >/dev/null

mkdir -p build-fuzz/findings
status=0
for pair in dump_reader:dump profile_reader:profile helper_requests:helper; do
  target=${pair%%:*} seeds=${pair##*:}
  corpus=$(mktemp -d)
  cp fuzz/corpus/"$seeds"/* "$corpus"/
  if ! build-fuzz/fuzz/fuzz_"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix=build-fuzz/findings/"$target"- -print_final_stats=1 "$corpus" \
       > build-fuzz/findings/"$target".log 2>&1; then
    echo "fuzz_$target: FAILED; see build-fuzz/findings/$target.log:"
    grep -E "ERROR|SUMMARY|Test unit written" build-fuzz/findings/"$target".log | head -n 5
    status=1
  else
    echo "fuzz_$target: $(grep -E '^stat::number_of_executed_units' build-fuzz/findings/"$target".log | awk '{print $2}') inputs, no finding"
  fi
  rm -rf "$corpus"
done
echo "Fuzzing: ${SECONDS}s"
exit $status
