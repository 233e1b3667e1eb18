#!/usr/bin/env bash
# Builds the Debian packages from debian/ with dpkg-buildpackage: i815ctl (no Qt) and i815quarvel
# (the windows), for amd64 with Qt 6 (and the source package) and, cross-built, for i386 with
# Qt 5.15 (the Pentium III machines). Builds everything a second time from a fresh copy of the
# source, under another umask, and compares the bytes; checks with lintian --pedantic (its
# experimental tags too), desktop-file-validate and appstreamcli --pedantic; then takes the amd64
# packages through install, enable, upgrade, remove, install again and purge on this machine, and
# checks that nothing of them is left. The packages end up in build-deb/; in build-deb/upgrade/
# the same packages with a higher version, for the upgrades here and in scripts/system-test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source scripts/progress.sh
export QT_QPA_PLATFORM=offscreen

scripts/install-deps.sh qt6 qt5 i386 package

echo "== Debian packages"
SECONDS=0
out=$root/build-deb
version=$(dpkg-parsechangelog -l debian/changelog -S Version)
src=$out/src/i815quarvel-$version
status=0

# The source as git has it, uncommitted changes included, build folders left out. The source
# package keeps every mode: files 0644 or, when executable, 0755, and folders 0755, whatever the
# builder's umask was at the checkout and is now.
export_source() {
  rm -rf "$out/src"
  (umask 022
   mkdir -p "$src"
   git ls-files -z --cached --others --exclude-standard |
     tar --null --ignore-failed-read --mode=u=rwX,go=rX -T - -cf - 2>/dev/null | tar -xf - -C "$src")
}

build_all() {  # build_all DIR: every package into DIR
  export_source
  (cd "$src" && step "amd64 (Qt 6) and the source package: dpkg-buildpackage" dpkg-buildpackage -us -uc -F)
  (cd "$src" && step "i386 (Qt 5.15, cross-built for the Pentium III): dpkg-buildpackage" \
    env DEB_BUILD_OPTIONS=nocheck CC=i686-linux-gnu-gcc CXX=i686-linux-gnu-g++ \
    dpkg-buildpackage -us -uc -a i386 -Pcross,nocheck -B)
  rm -rf "$src"
  mkdir -p "$1"
  mv "$out"/src/* "$1"/
  rmdir "$out/src"
}

rm -rf "$out"
build_all "$out"
for deb in "$out"/*.deb; do
  case $deb in *-dbgsym_*) continue ;; esac
  echo "$(basename "$deb"):"
  dpkg-deb --field "$deb" Depends Recommends | sed 's/^/  /'
done

echo "-- built again, under umask 077: the same bytes"
(umask 077 && build_all "$out/again")
for deb in "$out"/*.deb "$out"/*.tar.xz; do
  if ! cmp "$deb" "$out/again/$(basename "$deb")"; then
    echo "not reproducible: $(basename "$deb")"
    status=1
  fi
done
[ $status = 0 ] && echo "every package the same, byte for byte"
rm -rf "$out/again"

# The next version for the upgrades: these packages repacked with a higher version (and the
# window's dependency on that i815ctl). What an upgrade does to the units lies in the maintainer
# scripts, which a rebuild would leave as they are.
upgrade=$version+upgrade1
mkdir -p "$out/upgrade"
for deb in "$out"/i815ctl_"$version"_*.deb "$out"/i815quarvel_"$version"_*.deb; do
  tree=$(mktemp -d)
  dpkg-deb -R "$deb" "$tree"
  sed -i -e "s/^Version: ${version//./\\.}\$/Version: $upgrade/" -e "s/(= ${version//./\\.})/(= $upgrade)/" \
    "$tree/DEBIAN/control"
  dpkg-deb --root-owner-group -Zxz -b "$tree" "$out/upgrade" > /dev/null
  rm -rf "$tree"
done

echo "-- lintian --pedantic --display-experimental"
for changes in "$out"/*.changes; do
  lintian --pedantic --display-experimental --fail-on error,warning,info,pedantic,experimental "$changes" \
    2> >(grep -v 'root privileges' >&2) || status=1
done

echo "-- desktop entries and metainfo"
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked" "$units"' EXIT
dpkg-deb -x "$out/i815quarvel_${version}_amd64.deb" "$unpacked"
desktop-file-validate "$unpacked"/usr/share/applications/*.desktop || status=1
appstreamcli validate --pedantic --no-net "$unpacked"/usr/share/metainfo/*.metainfo.xml || status=1

echo "-- installed on this machine: install, enable, upgrade, remove, install again, purge"
debs=("$out/i815ctl_${version}_amd64.deb" "$out/i815quarvel_${version}_amd64.deb")
upgrade_debs=("$out/upgrade/i815ctl_${upgrade}_amd64.deb" "$out/upgrade/i815quarvel_${upgrade}_amd64.deb")
fail() { echo "$*"; status=1; }
is() {  # is WHAT ACTUAL EXPECTED
  [ "$2" = "$3" ] || fail "$1: \"$2\", expected \"$3\""
}

# This machine runs no systemd, and there the maintainer scripts leave every unit alone. So apt
# runs in a mount namespace of its own that looks booted with systemd (/run/systemd/system),
# where a stand-in systemctl keeps the units that run in a file and writes down every call, and
# policy-rc.d lets the scripts act (a container's forbids it). The links of enabled units are
# the real ones, made by the real systemctl outside.
units=$(mktemp -d)
{ echo '#!/bin/bash'
  echo "units=$units"
  cat <<'EOF'
# The stand-in systemctl of scripts/package.sh: the words of each call, options left out, into
# $units/calls; the units that run, one a line, in $units/active.
words=()
for word in "$@"; do
  case $word in -*) ;; *) words+=("$word") ;; esac
done
echo "${words[*]}" >> "$units/calls"
touch "$units/active"
case ${words[0]:-} in
  is-active) grep -qxF -- "${words[1]}" "$units/active" ;;
  is-enabled)
    if [ -n "$(find /etc/systemd/system -name "${words[1]}" 2>/dev/null)" ]; then echo enabled; else echo disabled; exit 1; fi ;;
  start | restart)
    for unit in "${words[@]:1}"; do grep -qxF -- "$unit" "$units/active" || echo "$unit" >> "$units/active"; done ;;
  stop)
    for unit in "${words[@]:1}"; do
      grep -vxF -- "$unit" "$units/active" > "$units/active.new"
      mv "$units/active.new" "$units/active"
    done ;;
  # try-restart leaves a running unit running and a stopped one stopped; the rest changes nothing.
esac
EOF
} > "$units/systemctl"
printf '#!/bin/sh\nexit 0\n' > "$units/policy-rc.d"
chmod 755 "$units/systemctl" "$units/policy-rc.d"
booted() {  # booted COMMAND...: COMMAND as on a machine booted with systemd
  unshare --mount sh -c 'mount -t tmpfs tmpfs /run/systemd && mkdir /run/systemd/system &&
    mount --bind "$0/systemctl" /usr/bin/systemctl &&
    { [ ! -e /usr/sbin/policy-rc.d ] || mount --bind "$0/policy-rc.d" /usr/sbin/policy-rc.d; } && exec "$@"' \
    "$units" "$@"
}
apt_get() {
  : > "$units/calls"
  booted apt-get -o DPkg::Lock::Timeout=900 -y -q "$@"
}
asked_of_our_units() { grep i815quarvel "$units/calls" || true; }
running() { sort "$units/active" | tr '\n' ' '; }
leftovers() {  # what the packages may leave behind, found anywhere it could be
  find /etc/systemd /var/lib/systemd/deb-systemd-helper-enabled /var/lib/systemd/deb-systemd-helper-masked \
    -name '*i815quarvel*' 2>/dev/null
  for path in /var/lib/i815quarvel /usr/libexec/i815quarvel /usr/share/doc/i815ctl /usr/share/doc/i815quarvel \
              /usr/share/i815ctl /run/i815quarvel /run/lock/i815quarvel.lock; do
    if [ -e "$path" ]; then echo "$path"; fi
  done
  if getent passwd i815quarvel >/dev/null; then echo "the user i815quarvel"; fi
  if getent group i815quarvel >/dev/null; then echo "the group i815quarvel"; fi
}
[ -z "$(leftovers)" ] || fail "already here before the installation: $(leftovers)"

step "installing the amd64 packages" apt_get install --no-install-recommends "${debs[@]}"
is "asked of the units at the installation" "$(asked_of_our_units)" ""
listing=$(mktemp)
dpkg -L i815ctl i815quarvel | sort -u > "$listing"
[ "$(getent passwd i815quarvel | cut -d: -f6,7)" = /nonexistent:/usr/sbin/nologin ] ||
  fail "no system user i815quarvel: $(getent passwd i815quarvel)"
# Where systemd-sysusers makes the user before the postinst does (an image, a plain cmake
# --install), it makes the same one.
sysroot=$(mktemp -d)
mkdir "$sysroot/etc"
systemd-sysusers --root="$sysroot" /usr/lib/sysusers.d/i815quarvel.conf > /dev/null 2>&1
is "the user that sysusers.d makes" "$(cut -d: -f1,5- "$sysroot/etc/passwd")" \
  "i815quarvel:i815 Quarvel helper:/nonexistent:/usr/sbin/nologin"
rm -rf "$sysroot"
getent group i815quarvel >/dev/null || fail "no system group i815quarvel"
[ -z "$(find /etc/systemd -name '*i815quarvel*')" ] || fail "a unit was enabled by the installation"
shown=$(/usr/bin/i815ctl --emulated show)  # whole, so head cannot cut it short with SIGPIPE
head -n 3 <<< "$shown"
[ "$(readlink -f "$(command -v i815ctl)")" = /usr/bin/i815ctl ] || fail "i815ctl is not the installed one"
# The schema that i815ctl(8) names, as the tests validate the JSON against it.
cmp -s /usr/share/i815ctl/i815ctl.schema.json "$root/data/json/i815ctl.schema.json" ||
  fail "/usr/share/i815ctl/i815ctl.schema.json is not data/json/i815ctl.schema.json"
# The installed emulated window: it shows, and ends as its close button would, with status 0.
saved=$(mktemp)
/usr/bin/i815quarvel-sim --save "$saved" &
window=$!
for _ in $(seq 100); do
  grep -q '^SigCgt:.*' /proc/$window/status 2>/dev/null &&
    (( (0x$(awk '/^SigCgt:/ { print $2 }' /proc/$window/status) >> 14) & 1 )) && break
  sleep 0.1
done
sleep 0.5
kill -TERM $window
if wait $window; then
  echo "installed emulated window: shown, closed, status 0"
else
  fail "installed emulated window: status $?"
fi
grep -q '^00:00.0 Host bridge' "$saved" || fail "the window did not save its chip"
rm -f "$saved"

systemctl enable i815quarvel-apply.service i815quarvel-helper.socket 2>&1 | sed 's/^/  /'
enabled() { find /etc/systemd/system -path '*.wants/i815quarvel-*' -printf '%P\n' | sort | tr '\n' ' '; }
apply_and_socket_enabled="hibernate.target.wants/i815quarvel-apply.service \
hybrid-sleep.target.wants/i815quarvel-apply.service multi-user.target.wants/i815quarvel-apply.service \
sockets.target.wants/i815quarvel-helper.socket suspend-then-hibernate.target.wants/i815quarvel-apply.service \
suspend.target.wants/i815quarvel-apply.service "
is "enabled" "$(enabled)" "$apply_and_socket_enabled"
# As after a boot: the socket listens, the apply has run and ended, the hang guard waits.
printf '%s\n' i815quarvel-helper.socket i815quarvel-apply-guard.service > "$units/active"
step "upgrading them to $upgrade" apt_get install --no-install-recommends "${upgrade_debs[@]}"
is "upgraded" "$(dpkg-query -W -f='${Version} ' i815ctl i815quarvel)" "$upgrade $upgrade "
# The socket restarted, for a unit that may have changed; neither the apply (which would write
# the profile to the chip) nor the guard (whose stop takes the marker away early) touched.
is "asked of the units at the upgrade" "$(asked_of_our_units)" "try-restart i815quarvel-helper.socket"
is "running after the upgrade" "$(running)" "i815quarvel-apply-guard.service i815quarvel-helper.socket "
is "enabled after the upgrade" "$(enabled)" "$apply_and_socket_enabled"
step "removing them" apt_get remove i815quarvel i815ctl
[ ! -e /usr/bin/i815ctl ] || fail "i815ctl is still there after the removal"
# The socket stops listening; the guard ends by itself within its 60 seconds.
is "asked of the units at the removal" "$(asked_of_our_units)" "stop i815quarvel-helper.socket"
step "installing them again" apt_get install --no-install-recommends "${upgrade_debs[@]}"
is "running after installing them again" "$(running)" "i815quarvel-apply-guard.service "
systemctl enable i815quarvel-apply.service >/dev/null 2>&1 || fail "the unit cannot be enabled after a reinstall"
step "purging them" apt_get purge i815quarvel i815ctl
while read -r path; do
  if { [ -f "$path" ] || [ -L "$path" ]; } && [ ! -d "$path" ]; then fail "left behind: $path"; fi
done < "$listing"
rm -f "$listing"
left=$(leftovers)
if [ -n "$left" ]; then fail "left behind: $left"; else echo "nothing of the packages is left"; fi

echo "Packages: ${SECONDS}s"
exit $status
