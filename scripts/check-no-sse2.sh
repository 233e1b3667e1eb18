#!/usr/bin/env bash
# Fails when an i386 binary (ELF or PE) holds an instruction that a Pentium III lacks (SSE2
# and later). User-mode QEMU decodes such instructions whatever CPU model it is given, so a
# pass under `qemu-i386 -cpu pentium3` alone does not prove their absence; this scan does, for
# the code that the binaries carry themselves. Library code that Debian's i386 packages pick at
# run time by the processor's CPUID (glibc, Qt) follows the Pentium III model under QEMU.
#
# Statically linked programs carry glibc's CPUID-chosen variants too: glibc's IFUNC resolvers
# pick them only on a processor that has the instructions, so they are skipped by name. These
# are the functions whose names end in one of glibc's multiarch suffixes, on i386:
#   _sse2, _sse2_unaligned, _sse2_bsf, _sse2_rep, _ssse3, _ssse3_rep, _sse4_1, _sse4_2, _sse42,
#   _avx, _avx2, _evex, _fma, _fma4 (with an optional _chk or _erms part), e.g.
#   __memcpy_sse2_unaligned, __strlen_sse2_bsf, __strcasecmp_ssse3, __sin_sse2.
# Anything else, ours or the C++ runtime's, counts.
#
# Windows programs (PE) carry their C++ exception tables inside the code section, where the
# disassembler shows them under the label .gcc_except_table: data, not instructions, skipped.
#   scripts/check-no-sse2.sh BINARY...        (OBJDUMP=... picks the disassembler)
set -euo pipefail
objdump=${OBJDUMP:-i686-linux-gnu-objdump}
status=0
for binary in "$@"; do
  # The whole listing goes through awk: nothing cuts the pipe, so pipefail sees objdump's status.
  report=$("$objdump" -d --no-show-raw-insn "$binary" | awk '
    BEGIN {
      n = split("movaps movups movss movlps movhps movlhps movhlps movmskps movntps " \
                "addps addss subps subss mulps mulss divps divss rcpps rcpss sqrtps sqrtss " \
                "rsqrtps rsqrtss maxps maxss minps minss cmpps cmpss comiss ucomiss " \
                "andps andnps orps xorps shufps unpckhps unpcklps " \
                "cvtpi2ps cvtps2pi cvttps2pi cvtsi2ss cvtsi2ssl cvtss2si cvttss2si", sse1, " ")
      for (i = 1; i <= n; i++) allowed[sse1[i]] = 1
      count = 0; skipped = 0
    }
    /^[0-9a-f]+ <.*>:$/ {
      name = $2; gsub(/[<>:]/, "", name)
      cpuid_variant = (name ~ /^__.*_(sse2|ssse3|sse4_[12]|sse42|avx2?|evex|fma4?)(_[a-z0-9]+)*$/)
      data = (name == ".gcc_except_table")
      next
    }
    /^[[:space:]]+[0-9a-f]+:\t/ && !data {
      split($0, part, "\t"); split(part[2], word, " "); op = word[1]
      if (op ~ /^cmp.*(ps|ss)$/) op = "cmpps"
      if ((part[2] ~ /%xmm/ && !(op in allowed)) || op ~ /^(mfence|lfence|clflush|movnti)$/) {
        if (cpuid_variant) { skipped++; next }
        if (++count <= 5) shown = shown "  <" name ">" $0 "\n"
      }
    }
    END { printf "%d %d\n%s", count, skipped, shown }')
  read -r count skipped <<< "$(head -n 1 <<< "$report")"
  if [ "$count" -gt 0 ]; then
    echo "$binary: $count instructions a Pentium III does not have, the first:"
    tail -n +2 <<< "$report"
    status=1
  elif [ "$skipped" -gt 0 ]; then
    echo "$binary: none of its own ($skipped in glibc's CPUID-chosen variants, skipped)"
  fi
done
[ $status -eq 0 ] && echo "No SSE2 or later instructions in: $*"
exit $status
