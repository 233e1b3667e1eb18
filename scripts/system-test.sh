#!/usr/bin/env bash
# The i386 packages as installed on a Debian 12 system that boots with systemd: Debian's 686
# kernel under qemu-system-i386 -cpu pentium3 -m 256, a disk image, the serial console, no
# network. One machine, booted six times; each boot runs one stage of tests/machine/guest.sh:
#   install    apt installs both packages (their maintainer scripts on i386); two users, one a
#              member of the group i815quarvel; the apply unit and the helper's socket enabled
#   noprofile  the boot's time without a profile; the socket service: the member's i815ctl
#              through the helper, the stranger refused, the helper's user and capabilities; the
#              window under Xvfb as the member, on QEMU's i440FX and through pkexec and polkit
#   profile    the apply unit on the i440FX: "Not an i815 Chipset.", no marker, the boot's time
#   emulated   the unit on an emulated i815 (a drop-in of the test): applied at boot; an upgrade
#              to the next version inside the hang guard's 60 seconds, after which the socket
#              listens, nothing is applied again and the guard was not stopped; suspend to RAM
#              and a wake-up from the monitor, applied after resume; then killed by the host
#              inside the hang guard's 60 seconds
#   guard      after the kill: nothing applied, the journal names the marker and its rm
#   noapply    i815quarvel.noapply: the unit skipped; both packages purged, nothing left
# The machine's image is made once (debootstrap from Debian's archive) and kept in
# SYSTEM_CACHE (~/.cache/i815quarvel-system) with its recipe, made again when the recipe
# changes; each run boots a fresh copy-on-write layer over it. The packages come from
# scripts/package.sh (build-deb/). Run as root. Console logs and the window's screenshots in
# build-system/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source scripts/progress.sh
cache=${SYSTEM_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/i815quarvel-system}
results=$root/build-system

scripts/install-deps.sh system

echo "== System test: the i386 packages on Debian 12 with systemd, qemu-system-i386 -cpu pentium3"
SECONDS=0
version=$(dpkg-parsechangelog -l debian/changelog -S Version)
debs=("$root/build-deb/i815ctl_${version}_i386.deb" "$root/build-deb/i815quarvel_${version}_i386.deb")
# The same packages with a higher version, for the upgrade (scripts/package.sh repacks them).
upgrade_debs=("$root/build-deb/upgrade/i815ctl_${version}+upgrade1_i386.deb"
              "$root/build-deb/upgrade/i815quarvel_${version}+upgrade1_i386.deb")
for deb in "${debs[@]}" "${upgrade_debs[@]}"; do
  [ -f "$deb" ] || { echo "system-test: no $deb (scripts/package.sh builds it)" >&2; exit 2; }
done

# What the machine holds besides systemd: the packages' dependencies and recommendations (so
# that apt installs them without a network), polkit and pkexec, Xvfb, xwininfo, and nc for a
# connection held open.
packages() {
  local deb
  for deb in "${debs[@]}"; do
    dpkg-deb --field "$deb" Depends Recommends | sed 's/^[A-Za-z-]*://' | tr ',' '\n' |
      sed 's/|.*//; s/(.*)//; s/:any//; s/ //g' | grep -v -e '^$' -e '^i815ctl$'
  done
  printf '%s\n' polkitd pkexec xvfb x11-utils netcat-openbsd
}
mapfile -t guest_packages < <(packages | sort -u)

# Debian's archive as this machine's apt uses it: debootstrap takes the release's, the machine
# gets the release, its updates and its security archive.
debian_sources=$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' \
  'Identifier: Packages' 'Origin: Debian' 'Component: main' 2>/dev/null | sort -u | grep ' bookworm' || true)
mirror=$(awk '$2 == "bookworm" { print $1; exit }' <<< "$debian_sources")
mirror=${mirror:-http://deb.debian.org/debian/}
sources=$(awk '{ print "deb [arch=i386] " $1 " " $2 " main" }' <<< "$debian_sources")
[ -n "$sources" ] || sources="deb [arch=i386] $mirror bookworm main"

recipe=$( { cat tests/machine/make-image.sh tests/machine/systest-run tests/machine/systest.service
            printf '%s\n' "${guest_packages[@]}"; } | sha256sum | cut -d' ' -f1)
mkdir -p "$cache"
if [ "$(cat "$cache/recipe" 2>/dev/null)" != "$recipe" ] ||
   [ ! -f "$cache/rootfs.img" ] || [ ! -f "$cache/vmlinuz" ] || [ ! -f "$cache/initrd.img" ]; then
  rm -f "$cache/recipe"
  # debootstrap and apt run the image's i386 programs in a chroot. A kernel that runs none gets
  # QEMU's user-mode emulator for them while the image is made (slow: about fifty minutes on two
  # cores), and loses it again afterwards.
  emulator=
  if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    [ -e /proc/sys/fs/binfmt_misc/register ] || mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
    emulator=/proc/sys/fs/binfmt_misc/i815quarvel-i386
    trap '[ ! -e "$emulator" ] || echo -1 > "$emulator"' EXIT
    # Any i386 ELF executable (e_type 2 or 3, e_machine 3): the magic and mask qemu-user-static uses.
    [ -e "$emulator" ] || printf '%s' ':i815quarvel-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
      > /proc/sys/fs/binfmt_misc/register
    echo "system-test: this kernel runs no i386 programs; the image is made under qemu-i386-static"
  fi
  step "the machine's image: debootstrap, the kernel, ${#guest_packages[@]} packages and what they need" \
    tests/machine/make-image.sh "$cache" "$mirror" "$sources" "${guest_packages[@]}"
  if [ -n "$emulator" ]; then
    echo -1 > "$emulator"
    trap - EXIT
  fi
  echo "$recipe" > "$cache/recipe"
fi
echo "image: $(du -sh --apparent-size "$cache/rootfs.img" | cut -f1) ($(du -sh "$cache/rootfs.img" | cut -f1) used)" \
  "made $(date -r "$cache/rootfs.img" '+%F %T')"

rm -rf "$results"
mkdir -p "$results"
work=$(mktemp -d)
qemu_pid=
cleanup() {
  if [ -n "$qemu_pid" ]; then kill -KILL "$qemu_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# This run's machine: a layer over the cached image, so that the image stays as it was made.
qemu-img create -q -f qcow2 -F raw -b "$cache/rootfs.img" "$work/disk.qcow2"
# The second disk carries the test in (a tar archive: guest.sh, the packages, the upgrade's) and
# what the stage leaves in out/ back to the host (another tar archive over it).
mkdir -p "$work/in/debs" "$work/in/upgrade"
cp tests/machine/guest.sh "$work/in/"
cp "${debs[@]}" "$work/in/debs/"
cp "${upgrade_debs[@]}" "$work/in/upgrade/"
tar -cf "$work/in.tar" -C "$work/in" .

monitor=$work/monitor
mkfifo "$monitor.in" "$monitor.out"
status=0
boot() {  # boot STAGE [KERNEL WORDS...]
  local stage=$1 log=$results/$1.log started=$SECONDS limit=600 woken=0 killed=0
  shift
  cp "$work/in.tar" "$work/transfer.img"
  truncate -s 64M "$work/transfer.img"
  : > "$work/monitor.log"
  cat "$monitor.out" >> "$work/monitor.log" &
  local reader=$!
  qemu-system-i386 -M pc -accel tcg -cpu pentium3 -m 256 -smp 1 -display none -no-reboot -nic none \
    -global PIIX4_PM.disable_s3=0 \
    -kernel "$cache/vmlinuz" -initrd "$cache/initrd.img" \
    -append "console=ttyS0 root=LABEL=systest rw panic=-1 quiet systest.stage=$stage $*" \
    -drive file="$work/disk.qcow2",format=qcow2,if=ide,index=0 \
    -drive file="$work/transfer.img",format=raw,if=ide,index=1 \
    -serial file:"$log" -monitor pipe:"$monitor" &
  qemu_pid=$!
  # (Without its messages: bash would report the kill below as a failure.)
  { while kill -0 "$qemu_pid"; do
    sleep 1
    if ((SECONDS - started > limit)); then
      echo "system-test: the $stage boot did not end within $limit s"
      kill -KILL "$qemu_pid"
      status=1
      break
    fi
    if ((!woken)) && grep -q 'SYSTEST SUSPEND' "$log"; then
      echo 'info status' > "$monitor.in"
      sleep 0.5
      if grep -q 'paused (suspended)' "$work/monitor.log"; then
        echo system_wakeup > "$monitor.in"
        woken=1
      fi
    fi
    if ((!killed)) && grep -q 'SYSTEST KILL' "$log"; then
      kill -KILL "$qemu_pid"
      killed=1
    fi
  done
  wait "$qemu_pid" || true; } 2>/dev/null
  qemu_pid=
  kill "$reader" 2>/dev/null || true
  wait "$reader" 2>/dev/null || true
  tr -d '\r' < "$log" > "$log.txt" && mv "$log.txt" "$log"
  if ((!killed)); then
    mkdir -p "$results/$stage"
    tar -xf "$work/transfer.img" -C "$results/$stage" 2>/dev/null || true
  fi
  grep -E '^(SYSTEST|CHECK|MEASURE)|^    ' "$log" | grep -v '^SYSTEST STAGE ENDED' || true
  if ((killed)); then
    echo "SYSTEST killed by the host (hang guard)"
  elif ! grep -q '^SYSTEST STAGE ENDED' "$log"; then
    echo "system-test: the $stage boot ended without its stage (console in $log)" >&2
    status=1
  fi
  echo "  boot '$stage': $((SECONDS - started)) s"
  [ "$status" = 0 ]
}

# Each stage stands on the ones before it: the first boot that does not end its stage ends the test.
boot install && boot noprofile && boot profile && boot emulated && boot guard &&
  boot noapply i815quarvel.noapply || true

# The screenshots of the window, for people.
for xwd in "$results"/noprofile/*.xwd; do
  [ -f "$xwd" ] || continue
  xwdtopnm "$xwd" 2>/dev/null | pnmtopng > "$results/$(basename "${xwd%.xwd}").png" 2>/dev/null &&
    echo "screenshot: $results/$(basename "${xwd%.xwd}").png"
done

passed=$(cat "$results"/*.log | grep -c '^CHECK PASS' || true)
failed=$(cat "$results"/*.log | grep '^CHECK FAIL' || true)
expected=$(grep -cE '^\s*(is|check) ' tests/machine/guest.sh)
echo "System test: ${SECONDS}s, $passed checks passed"
if [ -n "$failed" ] || [ "$status" != 0 ] || ((passed < expected)); then
  echo "system test FAILED (consoles in $results)"
  exit 1
fi
