#!/usr/bin/env bash
# Installs the Debian 12 packages a build needs; does nothing when they are all present.
# Run as root.   scripts/install-deps.sh [qt6] [qt5] [i386] [fuzz] [guest] [package] [windows]
# (default: qt6)
set -euo pipefail

common=(build-essential cmake pkg-config file fonts-liberation fonts-comic-neue fontconfig)
declare -A groups=(
  [qt6]="libgtest-dev libbenchmark-dev qt6-base-dev libgl-dev systemd man-db"
  [qt5]="libgtest-dev qtbase5-dev libgl-dev"
  # Pentium III machines: Debian i386 with Qt 5.15, built by the i686 cross compiler and
  # tested under user-mode QEMU.
  [fuzz]="clang libclang-rt-14-dev"
  # Debian packages and their checks.
  [package]="dpkg-dev lintian desktop-file-utils appstream"
  # The guest test: a real i386 kernel under full-system QEMU.
  [guest]="qemu-system-x86 cpio g++-i686-linux-gnu"
  [i386]="g++-i686-linux-gnu qemu-user qtbase5-dev qtbase5-dev:i386 libqt5test5:i386 libgtest-dev:i386"
  # Windows 98 to XP: mingw-w64 for i686, and the tests under Wine for i386 in Xvfb.
  [windows]="g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 wine wine32:i386 fonts-wine xvfb xauth xdotool xclip imagemagick zip unzip"
)

wanted=("${common[@]}")
for group in "${@:-qt6}"; do
  [ -n "${groups[$group]+x}" ] || { echo "install-deps: unknown group $group" >&2; exit 2; }
  read -r -a packages <<< "${groups[$group]}"
  wanted+=("${packages[@]}")
  if { [ "$group" = i386 ] || [ "$group" = windows ]; } && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    need_update=1
  fi
done

missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})) || [ -n "${need_update:-}" ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
fi
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
