#!/usr/bin/env bash
# Makes the system test's Debian 12 i386 machine, as root on the host: a root file system from
# Debian's packages (debootstrap, then apt in the chroot) with systemd, dbus, polkitd, pkexec,
# Xvfb, Debian's 686 kernel and what the two packages of i815 Quarvel need to be installed
# without a network; then an ext4 image of it, and the kernel and initramfs beside it.
#   tests/machine/make-image.sh OUT MIRROR "SOURCES" PACKAGE...
# OUT gets rootfs.img, vmlinuz and initrd.img. MIRROR is Debian's archive as the host's apt
# uses it; SOURCES the chroot's sources.list (the same archive, its updates and security).
# Nothing of the host's /etc goes into the machine but those lines.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$1 mirror=$2 sources=$3
shift 3
extra=("$@")

work=$out/rootfs.tmp
mounted=()
cleanup() {
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[i]}" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
rm -rf "$work"
mkdir -p "$work"

debootstrap --arch=i386 --variant=minbase --include=systemd,systemd-sysv,dbus bookworm "$work" "$mirror"

printf '%s\n' "$sources" > "$work/etc/apt/sources.list"
# No service starts inside the chroot.
printf '#!/bin/sh\nexit 101\n' > "$work/usr/sbin/policy-rc.d"
chmod 755 "$work/usr/sbin/policy-rc.d"
for fs in proc sys; do
  if mount -t "$fs" "$fs" "$work/$fs" 2>/dev/null; then mounted+=("$work/$fs"); fi
done
in_root() { chroot "$work" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive LANG=C.UTF-8 "$@"; }
# An index that the mirror serves half-synced (a size that its Release does not list) fails the
# update; the image is made from the indexes that came, and an install that needs the missing one
# still fails.
for attempt in 1 2 3; do
  in_root apt-get update -qq && break
  echo "make-image: apt-get update failed (attempt $attempt of 3)" >&2
  sleep 10
done
in_root apt-get install -y -q --no-install-recommends linux-image-686 initramfs-tools "${extra[@]}"
# An initramfs with the modules of this machine's root alone (IDE, SCSI disk, ext4): found and
# unpacked in a few seconds, where all of them take long enough under a busy emulator for the
# initramfs to give up waiting for the root file system.
echo MODULES=list > "$work/etc/initramfs-tools/conf.d/systest"
printf '%s\n' ata_piix sd_mod ext4 >> "$work/etc/initramfs-tools/modules"
in_root update-initramfs -u -k all
in_root apt-get clean
for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[i]}"; done
mounted=()
rm -f "$work/usr/sbin/policy-rc.d"
rm -rf "$work"/var/lib/apt/lists/*

# The machine: its own name and identity (so that no boot is its first), no login prompts on
# the serial console, no timers of its own, root on the whole first disk without an fstab.
echo systest > "$work/etc/hostname"
printf '127.0.0.1 localhost\n127.0.1.1 systest\n' > "$work/etc/hosts"
: > "$work/etc/machine-id"
in_root systemd-machine-id-setup >/dev/null
: > "$work/etc/fstab"
for unit in serial-getty@ttyS0.service getty@tty1.service apt-daily.timer apt-daily-upgrade.timer \
            e2scrub_all.timer e2scrub_reap.service fstrim.timer dpkg-db-backup.timer; do
  ln -sf /dev/null "$work/etc/systemd/system/$unit"
done
install -m 755 "$here/systest-run" "$work/usr/local/sbin/systest-run"
install -m 644 "$here/systest.service" "$work/etc/systemd/system/systest.service"
ln -sf /etc/systemd/system/systest.service "$work/etc/systemd/system/multi-user.target.wants/systest.service"

cp -L "$work/vmlinuz" "$out/vmlinuz.new"
cp -L "$work/initrd.img" "$out/initrd.img.new"
rm -f "$out/rootfs.img.new"
mke2fs -q -t ext4 -L systest -d "$work" "$out/rootfs.img.new" 2G
mv "$out/vmlinuz.new" "$out/vmlinuz"
mv "$out/initrd.img.new" "$out/initrd.img"
mv "$out/rootfs.img.new" "$out/rootfs.img"
