#!/usr/bin/env bash
# Fails when an i386 binary holds an instruction that a Pentium III lacks (SSE2 and later).
# User-mode QEMU decodes such instructions whatever CPU model it is given, so a pass under
# `qemu-i386 -cpu pentium3` alone does not prove their absence; this scan does, for the code
# that the binaries carry themselves. Library code that Debian's i386 packages pick at run time
# by the processor's CPUID (glibc, Qt) follows the Pentium III model under QEMU.
set -euo pipefail
objdump=${OBJDUMP:-i686-linux-gnu-objdump}
status=0
for binary in "$@"; do
  found=$("$objdump" -d --no-show-raw-insn "$binary" | awk '
    BEGIN {
      n = split("movaps movups movss movlps movhps movlhps movhlps movmskps movntps " \
                "addps addss subps subss mulps mulss divps divss rcpps rcpss sqrtps sqrtss " \
                "rsqrtps rsqrtss maxps maxss minps minss cmpps cmpss comiss ucomiss " \
                "andps andnps orps xorps shufps unpckhps unpcklps " \
                "cvtpi2ps cvtps2pi cvttps2pi cvtsi2ss cvtsi2ssl cvtss2si cvttss2si", sse1, " ")
      for (i = 1; i <= n; i++) allowed[sse1[i]] = 1
    }
    /^[[:space:]]+[0-9a-f]+:\t/ {
      split($0, part, "\t"); split(part[2], word, " "); op = word[1]
      if (op ~ /^cmp.*(ps|ss)$/) op = "cmpps"
      if ((part[2] ~ /%xmm/ && !(op in allowed)) || op ~ /^(mfence|lfence|clflush|movnti)$/) print "  " $0
    }' | head -n 5)
  if [ -n "$found" ]; then
    echo "$binary: instructions a Pentium III does not have:"
    echo "$found"
    status=1
  fi
done
[ $status -eq 0 ] && echo "No SSE2 or later instructions in: $*"
exit $status
