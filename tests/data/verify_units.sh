#!/usr/bin/env bash
# The systemd units as installed, checked by systemd itself (with the programs they start and
# the manuals they name), and the helper's service rated by systemd's own security analysis:
# "OK" or better (exposure at most 4.9).
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
# An instance, as the socket starts it; a rating above OK fails (the threshold is in tenths).
cp i815quarvel-helper@.service i815quarvel-helper@0.service
systemd-analyze security --offline=true --threshold=49 ./i815quarvel-helper@0.service > "$work/security" || {
  cat "$work/security"
  echo "the helper's service is rated worse than OK"
  exit 1
}
grep 'Overall exposure level' "$work/security"
