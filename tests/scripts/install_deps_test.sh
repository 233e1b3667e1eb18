#!/usr/bin/env bash
# What install-deps.sh would install: every package of a group, including those on the
# group's later lines (a fresh machine once missed pkgconf:i386 and lintian that way).
#   tests/scripts/install_deps_test.sh
set -euo pipefail
deps=$(dirname "$0")/../../scripts/install-deps.sh
failures=0
expect() {
  local group=$1 package=$2
  local listed
  # Read the whole list before searching it: grep -q leaving early would end the script's
  # printf with SIGPIPE, and pipefail would count that as a miss.
  listed=$("$deps" --list "$group")
  if ! grep -qx -- "$package" <<< "$listed"; then
    echo "FAILED: install-deps.sh $group would not install $package"
    failures=$((failures + 1))
  fi
}
expect package debhelper          # the group's first line
expect package pkgconf:i386       # its second line
expect package appstream          # its last word
expect qt6 cmake                  # common to every group
expect qt6 xvfb
if "$deps" --list no-such-group >/dev/null 2>&1; then
  echo "FAILED: an unknown group was taken"
  failures=$((failures + 1))
fi
[ "$failures" = 0 ] && echo "install-deps.sh: every group whole"
exit $((failures > 0))
