#!/usr/bin/env bash
# The systemd units as installed, checked by systemd itself (with the program they start and the
# manual they name): verify_units.sh BUILD_DIR SOURCE_DIR I815CTL
set -euo pipefail
build=$1 source=$2 i815ctl=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/units" "$work/man/man8"
cp "$source/data/man/"*.8 "$work/man/man8/"
for unit in "$build"/data/systemd/*.service "$build"/data/systemd/*.socket "$build"/data/systemd/*.timer; do
  [ -e "$unit" ] || continue
  # The unit names the installed program; here it is the one just built.
  sed "s|^ExecStart=[^ ]*/i815ctl |ExecStart=$i815ctl |" "$unit" > "$work/units/$(basename "$unit")"
done
MANPATH=$work/man systemd-analyze verify "$work"/units/*
echo "units verified: $(cd "$work/units" && echo *)"
