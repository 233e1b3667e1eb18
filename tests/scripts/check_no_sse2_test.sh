#!/usr/bin/env bash
# The SSE2 scan itself: it must find SSE2 code of our own however much there is, and must not
# count glibc's CPUID-chosen variants in a static program.   tests/scripts/check_no_sse2_test.sh
set -euo pipefail
scan=$(dirname "$0")/../../scripts/check-no-sse2.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat > "$work/p.cpp" <<'CPP'
#include <cstdio>
#include <cstring>
int main(int c, char** v)
{
    double d = c * 1.5, e = d / 3.0, f = e * d + c;
    char b[64];
    std::strcpy(b, v[0]);
    std::printf("%f %f %f %zu\n", d, e, f, std::strlen(b));
}
CPP
i686-linux-gnu-g++ -O2 -march=i686 -static "$work/p.cpp" -o "$work/plain"
i686-linux-gnu-g++ -O2 -msse2 -mfpmath=sse -static "$work/p.cpp" -o "$work/sse2"
failed=0
if ! out=$("$scan" "$work/plain"); then
  echo "FAIL: a static i686 program was refused:"; echo "$out"; failed=1
fi
grep -q "glibc's CPUID-chosen variants, skipped" <<< "$out" || { echo "FAIL: no word on the skipped variants"; failed=1; }
set +e
out=$("$scan" "$work/sse2"); status=$?
set -e
[ "$status" -eq 1 ] || { echo "FAIL: SSE2 code passed, or the scan ended with status $status"; failed=1; }
grep -Eq 'sse2: [0-9]+ instructions a Pentium III does not have' <<< "$out" || { echo "FAIL: no count in: $out"; failed=1; }
grep -q '<main>' <<< "$out" || { echo "FAIL: the function is not named"; failed=1; }
[ "$failed" -eq 0 ] && echo "check-no-sse2: both cases right"
exit "$failed"
