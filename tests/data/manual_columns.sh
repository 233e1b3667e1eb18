#!/usr/bin/env bash
# A manual as man shows it on a terminal of 80 columns: no line wider, and a synopsis line for
# every command.
#   manual_columns.sh MANUAL
set -euo pipefail
manual=$1
export LC_ALL=C.UTF-8 MANWIDTH=80
text=$(man --no-hyphenation --no-justification -l "$manual" 2>&1 | col -bx)
status=0
while IFS= read -r line; do
  if ((${#line} > 80)); then
    echo "${#line} columns: $line"
    status=1
  fi
done <<< "$text"
synopsis=$(sed -n '/^SYNOPSIS/,/^DESCRIPTION/p' <<< "$text")
for command in show get set list dump save check diff apply try bench; do
  grep -q "i815ctl .*$command" <<< "$synopsis" || { echo "no synopsis of $command"; status=1; }
done
[ $status = 0 ] && echo "$(basename "$manual"): $(wc -l <<< "$text") lines within 80 columns"
exit $status
