#!/usr/bin/env bash
# The bash completion of i815ctl as bash runs it: commands, options, keys and values, asked of
# the program just built. Skipped (77) where bash-completion is not installed.
#   completion_test.sh SOURCE_DIR I815CTL
source=$1 i815ctl=$2
[ -r /usr/share/bash-completion/bash_completion ] || { echo "bash-completion is not installed"; exit 77; }
source /usr/share/bash-completion/bash_completion
source "$source/data/bash-completion/i815ctl"
failed=0
compopt() { :; }  # readline's options are not at hand outside a real completion

# Completes LINE as bash would at its end: the words split at blanks and, as readline splits
# them, at each "=" where "=" breaks words. Prints the replies, sorted, on one line.
complete_line() {
  local line=$i815ctl${1#i815ctl} word
  COMP_LINE=$line
  COMP_POINT=${#line}
  COMP_WORDS=()
  for word in $line; do
    if [[ $COMP_WORDBREAKS == *=* && $word == *=* ]]; then
      COMP_WORDS+=("${word%%=*}" "=")
      [ -n "${word#*=}" ] && COMP_WORDS+=("${word#*=}")
    else
      COMP_WORDS+=("$word")
    fi
  done
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _i815ctl "$i815ctl" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//'
}

expect() {  # expect LINE REPLIES
  local got
  got=$(complete_line "$1")
  if [ "$got" != "$2" ]; then
    echo "\"$1\": \"$got\", expected \"$2\""
    failed=1
  fi
}

expect "i815ctl se" "set"
expect "i815ctl " "apply bench check diff dump get list save set show try tune"
expect "i815ctl --em" "--emulated --emulated="
expect "i815ctl --emulated get ca" "cas"
expect "i815ctl set ras2" "ras2cas="
expect "i815ctl set --f" "--force"
expect "i815ctl tune --" "--force --json --memory --minutes --profile"
expect "i815ctl show --" "--json"
expect "i815ctl apply --" "--boot --dry-run --quiet --settle"
expect "i815ctl list a" "agp4xovr agpfw agpmode agpsba amtt"
# A value: the word that names it, after the "=" that readline leaves alone.
expect "i815ctl set cas=" "2 3"
expect "i815ctl set agpfw=o" "off on"
expect "i815ctl set agpmode=4" "4x"
expect "i815ctl --emulated try sms=7" "7.8us"
expect "i815ctl set --force amtt=24" "24 240 248"
expect "i815ctl set bogus=" ""
# Where "=" does not break words, the reply is the whole word.
COMP_WORDBREAKS=${COMP_WORDBREAKS//=/}
expect "i815ctl set rdthr=6" "rdthr=62.5%"
expect "i815ctl set cas=" "cas=2 cas=3"

[ $failed = 0 ] && echo "completion: commands, options, keys and values as expected"
exit $failed
