#!/usr/bin/env bash
# Builds the Debian packages from debian/ with dpkg-buildpackage: i815ctl (no Qt) and i815quarvel
# (the windows), for amd64 with Qt 6 (and the source package) and, cross-built, for i386 with
# Qt 5.15 (the Pentium III machines). Builds everything a second time from a fresh copy of the
# source and compares the bytes; checks with lintian --pedantic, desktop-file-validate and
# appstreamcli; then takes the amd64 packages through install, enable, remove, install again and
# purge on this machine, and checks that nothing of them is left. The packages end up in build-deb/.
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

# The source as git has it, uncommitted changes included, build folders left out.
export_source() {
  rm -rf "$out/src"
  mkdir -p "$src"
  git ls-files -z --cached --others --exclude-standard |
    tar --null --ignore-failed-read -T - -cf - 2>/dev/null | tar -xf - -C "$src"
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

echo "-- built again: the same bytes"
build_all "$out/again"
for deb in "$out"/*.deb "$out"/*.tar.xz; do
  if ! cmp "$deb" "$out/again/$(basename "$deb")"; then
    echo "not reproducible: $(basename "$deb")"
    status=1
  fi
done
[ $status = 0 ] && echo "every package the same, byte for byte"
rm -rf "$out/again"

echo "-- lintian --pedantic"
for changes in "$out"/*.changes; do
  lintian --pedantic --fail-on error,warning,info,pedantic "$changes" 2> >(grep -v 'root privileges' >&2) || status=1
done

echo "-- desktop entries and metainfo"
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$out/i815quarvel_${version}_amd64.deb" "$unpacked"
desktop-file-validate "$unpacked"/usr/share/applications/*.desktop || status=1
appstreamcli validate --no-net "$unpacked"/usr/share/metainfo/*.metainfo.xml || status=1

echo "-- installed on this machine: install, enable, remove, install again, purge"
debs=("$out/i815ctl_${version}_amd64.deb" "$out/i815quarvel_${version}_amd64.deb")
apt_get() { apt-get -o DPkg::Lock::Timeout=900 -y -q "$@"; }
fail() { echo "$*"; status=1; }
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
listing=$(mktemp)
dpkg -L i815ctl i815quarvel | sort -u > "$listing"
[ "$(getent passwd i815quarvel | cut -d: -f6,7)" = /nonexistent:/usr/sbin/nologin ] ||
  fail "no system user i815quarvel: $(getent passwd i815quarvel)"
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

systemctl enable i815quarvel-apply.service 2>&1 | sed 's/^/  /'
[ "$(find /etc/systemd/system -path '*.wants/i815quarvel-apply.service' | wc -l)" = 5 ] ||
  fail "enable made no links for the five targets"
step "removing them" apt_get remove i815quarvel i815ctl
[ ! -e /usr/bin/i815ctl ] || fail "i815ctl is still there after the removal"
step "installing them again" apt_get install --no-install-recommends "${debs[@]}"
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
