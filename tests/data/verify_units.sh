#!/usr/bin/env bash
# The systemd units as installed, checked by systemd itself (with the programs they start and
# the manuals they name), and rated by systemd's own security analysis: the helper's service
# "OK" or better (exposure at most 4.9); the boot apply, root with CAP_SYS_ADMIN, at most 2.0;
# its guard, with no capability, at most 1.0.
#   verify_units.sh BUILD_DIR SOURCE_DIR I815CTL HELPER
set -euo pipefail
build=$1 source=$2 i815ctl=$3 helper=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/units" "$work/man/man8"
cp "$source/data/man/"*.8 "$work/man/man8/"
for unit in "$build"/data/systemd/*.service "$build"/data/systemd/*.socket "$build"/data/systemd/*.timer; do
  [ -e "$unit" ] || continue
  # The units name the installed programs; here they are the ones just built.
  sed -e "s|^ExecStart=[^ ]*/i815ctl |ExecStart=$i815ctl |" \
      -e "s|^ExecStart=[^ ]*/i815quarvel-helper\$|ExecStart=$helper|" "$unit" > "$work/units/$(basename "$unit")"
done
cd "$work/units"
MANPATH=$work/man systemd-analyze verify ./*
echo "units verified: $(echo *)"
rate() {  # rate UNIT THRESHOLD (in tenths)
  systemd-analyze security --offline=true --threshold="$2" "./$1" > "$work/security" || {
    cat "$work/security"
    echo "$1 is rated worse than $(($2 / 10)).$(($2 % 10))"
    exit 1
  }
  grep 'Overall exposure level' "$work/security"
}
# An instance, as the socket starts it.
cp i815quarvel-helper@.service i815quarvel-helper@0.service
rate i815quarvel-helper@0.service 49
rate i815quarvel-apply.service 20
rate i815quarvel-apply-guard.service 10
