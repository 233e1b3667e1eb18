#!/usr/bin/env bash
# Builds the Debian packages (amd64 with Qt 6, i386 with Qt 5.15 from the cross build for the
# Pentium III machines) and checks them: lintian without errors, desktop-file-validate,
# appstreamcli validate; then installs the amd64 package, runs what it installed, removes it
# and checks that nothing of it is left. The packages end up in build-deb*/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

scripts/install-deps.sh qt6 qt5 i386 package

echo "== Debian packages"
SECONDS=0
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
configure() {  # configure BUILD_DIR ARCH [CMAKE ARGUMENTS...]: prefix /usr, all of Debian's hardening
  local dir=$1 arch=$2
  shift 2
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DQUARVEL_BUILD_TESTS=OFF -DQUARVEL_BUILD_BENCHMARKS=OFF -DQUARVEL_DEBIAN_DOCS=ON \
    -DQUARVEL_SYSTEMD_UNIT_DIR=/lib/systemd/system \
    -DCMAKE_CXX_FLAGS="$(DEB_HOST_ARCH=$arch dpkg-buildflags --get CXXFLAGS) $(DEB_HOST_ARCH=$arch dpkg-buildflags --get CPPFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(DEB_HOST_ARCH=$arch dpkg-buildflags --get LDFLAGS)" "$@" >/dev/null
}
configure build-deb amd64 -DQUARVEL_QT=6
configure build-deb-i386 i386 -DQUARVEL_QT=5 -DCMAKE_TOOLCHAIN_FILE=cmake/i686-linux-gnu.cmake
for dir in build-deb build-deb-i386; do
  cmake --build "$dir" -j"$jobs" >/dev/null
  rm -f "$dir"/*.deb
  (cd "$dir" && cpack -G DEB >/dev/null)
done
amd64=$(ls build-deb/i815quarvel_*_amd64.deb)
i386=$(ls build-deb-i386/i815quarvel_*_i386.deb)
for deb in "$amd64" "$i386"; do
  echo "$deb:"
  dpkg-deb --field "$deb" Architecture Depends Recommends | sed 's/^/  /'
done

echo "-- lintian"
status=0
for deb in "$amd64" "$i386"; do
  lintian --fail-on error,warning "$deb" || status=1
done

echo "-- desktop entries and metainfo"
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$amd64" "$unpacked"
desktop-file-validate "$unpacked"/usr/share/applications/*.desktop || status=1
appstreamcli validate --no-net "$unpacked"/usr/share/metainfo/*.metainfo.xml || status=1

echo "-- installed on this machine"
listing=$(mktemp)
apt-get install -y -qq "$root/$amd64" >/dev/null
dpkg -L i815quarvel > "$listing"
/usr/bin/i815ctl --emulated show | head -n 3
[ "$(readlink -f "$(command -v i815ctl)")" = /usr/bin/i815ctl ] || { echo "i815ctl is not the installed one"; status=1; }
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
  echo "installed emulated window: status $?"; status=1
fi
grep -q '^00:00.0 Host bridge' "$saved" || { echo "the window did not save its chip"; status=1; }
rm -f "$saved"

echo "-- removed"
apt-get purge -y -qq i815quarvel >/dev/null
left=0
while read -r path; do
  if { [ -f "$path" ] || [ -L "$path" ]; } && [ ! -d "$path" ]; then echo "left behind: $path"; left=1; fi
done < "$listing"
for path in /usr/libexec/i815quarvel /var/lib/i815quarvel /usr/share/doc/i815quarvel; do
  if [ -e "$path" ]; then echo "left behind: $path"; left=1; fi
done
[ $left = 0 ] && echo "nothing of the package is left" || status=1
rm -f "$listing"
echo "Packages: ${SECONDS}s"
exit $status
