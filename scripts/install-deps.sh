#!/usr/bin/env bash
# Installs the Debian 12 packages a build needs; does nothing when they are all present. Waits
# for another apt or dpkg that holds the lock (up to 15 minutes) and says what it installs.
# Run as root.   scripts/install-deps.sh [--list] [qt6] [qt5] [i386] [fuzz] [guest] [package] [windows] [pictures] [system]
# (default: qt6). --list prints the packages, one a line, and installs nothing.
set -euo pipefail
source "$(dirname "$0")/progress.sh"

lock_wait=900
# nlohmann-json3-dev: header-only JSON for i815ctl's --json, needed by every configure.
common=(build-essential cmake pkgconf file nlohmann-json3-dev fonts-liberation fonts-comic-neue fontconfig)
declare -A groups=(
  [qt6]="libgtest-dev libbenchmark-dev qt6-base-dev libgl-dev systemd man-db bash-completion xvfb x11-utils"
  [qt5]="libgtest-dev qtbase5-dev libgl-dev bash-completion xvfb x11-utils"
  # Pentium III machines: Debian i386 with Qt 5.15, built by the i686 cross compiler and
  # tested under user-mode QEMU.
  [i386]="g++-i686-linux-gnu qemu-user qtbase5-dev qtbase5-dev:i386 libqt5test5:i386 libgtest-dev:i386"
  [fuzz]="clang libclang-rt-14-dev"
  # The Debian packages (amd64, and i386 cross-built) and their checks.
  [package]="debhelper dpkg-dev bash-completion systemd qt6-base-dev g++-i686-linux-gnu qtbase5-dev:i386
             pkgconf:i386 lintian desktop-file-utils appstream"
  # The guest test: a real i386 kernel under full-system QEMU.
  [guest]="qemu-system-x86 cpio g++-i686-linux-gnu"
  # Windows 98 to XP: mingw-w64 for i686, and the tests under Wine for i386 in Xvfb.
  [windows]="g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 wine wine32:i386 fonts-wine xvfb xauth xdotool xclip imagemagick zip unzip"
  # The window's pictures: drawn in Xvfb, clicked through, compared and optimised.
  [pictures]="xvfb xauth xdotool imagemagick optipng"
  # The system test: a Debian i386 machine made with debootstrap, booted under full-system QEMU
  # on a copy-on-write layer; the window's screenshots turned into PNG files. i386's loader tells
  # whether this kernel runs i386 programs; QEMU's user-mode emulator runs them where it does not.
  [system]="debootstrap qemu-system-x86 qemu-utils e2fsprogs dpkg-dev netpbm libc6:i386 qemu-user-static"
)

list=
if [ "${1-}" = --list ]; then
  list=1
  shift
fi
wanted=("${common[@]}")
for group in "${@:-qt6}"; do
  [ -n "${groups[$group]+x}" ] || { echo "install-deps: unknown group $group" >&2; exit 2; }
  read -r -d '' -a packages <<< "${groups[$group]}" || true  # all its lines, not only the first
  wanted+=("${packages[@]}")
done

if [ -n "$list" ]; then
  printf '%s\n' "${wanted[@]}"
  exit 0
fi
missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [[ " ${missing[*]-} " == *:i386\ * ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "install-deps: adding the i386 architecture (for the Pentium III builds and Wine)"
  dpkg --add-architecture i386
  need_update=1
fi

# apt-get update does not wait for the lists' lock as apt-get install waits for dpkg's.
update_lists() {
  local waited=0 errors
  errors=$(mktemp)
  until apt-get -o DPkg::Lock::Timeout=$lock_wait update -qq 2>"$errors"; do
    if grep -q 'Could not get lock' "$errors" && ((waited < lock_wait)); then
      ((waited % 30 == 0)) && echo "install-deps: waiting for another apt to let go of the package lists ($waited s)"
      sleep 5
      waited=$((waited + 5))
    elif grep -q 'Some index files failed to download' "$errors"; then
      # A mirror caught half-synced serves an index that its Release does not list: the lists
      # that came are used, and an install that needs a missing one still fails.
      echo "install-deps: some package lists could not be fetched; going on with the others:" >&2
      grep '^E: Failed to fetch' "$errors" >&2 || true
      break
    else
      cat "$errors" >&2
      rm -f "$errors"
      return 1
    fi
  done
  rm -f "$errors"
}

if ((${#missing[@]})) || [ -n "${need_update:-}" ]; then
  export DEBIAN_FRONTEND=noninteractive
  step "install-deps: updating the package lists" update_lists
fi
if ((${#missing[@]})); then
  echo "install-deps: installing ${missing[*]}"
  step "install-deps: installing ${#missing[@]} packages and what they need (waits up to $((lock_wait / 60)) minutes for the dpkg lock)" \
    apt-get -o DPkg::Lock::Timeout=$lock_wait install -y --no-install-recommends "${missing[@]}"
fi
