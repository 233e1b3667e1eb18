#!/bin/busybox sh
# /init of the guest: a real kernel on QEMU's i440FX host bridge (8086:1237), with static i386
# builds of i815ctl and the helper. Every check prints "CHECK PASS name" or "CHECK FAIL name:
# why"; the host counts them. The last line is "GUEST DONE".
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t securityfs securityfs /sys/kernel/security 2>/dev/null
mkdir -p /run/lock /tmp /var/lib

config=/sys/bus/pci/devices/0000:00:00.0/config
pass() { echo "CHECK PASS $1"; }
fail() { echo "CHECK FAIL $1: $2"; }
check() { name=$1; shift; if "$@"; then pass "$name"; else fail "$name" "$*"; fi; }
# The kernel's own view in the form i815ctl dump prints, without its header line.
kernel_view() { hexdump -v -e '16/1 " %02x" "\n"' "$config" | awk '{ printf "%x0:%s\n", NR - 1, $0 }'; }

echo "host bridge: $(cat /sys/bus/pci/devices/0000:00:00.0/vendor):$(cat /sys/bus/pci/devices/0000:00:00.0/device)"
kernel_view > /tmp/before

# Dumps through the ports and through the kernel's file, against the kernel's own view.
/bin/guest_probe set-address 80000010
/bin/i815ctl --ports dump > /tmp/ports; status=$?
check ports-dump-status [ "$status" = 0 ]
check ports-dump-equals-kernel-view sh -c 'tail -n +2 /tmp/ports | grep -v "^$" | cmp -s - /tmp/before'
check address-port-kept [ "$(/bin/guest_probe address)" = 80000010 ]
/bin/i815ctl --kernel dump > /tmp/kernel; status=$?
check kernel-dump-status [ "$status" = 0 ]
check kernel-dump-equals-kernel-view sh -c 'tail -n +2 /tmp/kernel | grep -v "^$" | cmp -s - /tmp/before'
check dump-names-the-bridge grep -q '^00:00.0 Host bridge: \[8086:1237\]' /tmp/ports

# Not an i815: status 2, the message, nothing changed.
/bin/i815ctl show > /tmp/out 2> /tmp/err; status=$?
check show-refuses-with-2 [ "$status" = 2 ]
check show-says-not-an-i815 grep -qx 'i815ctl: Not an i815 Chipset.' /tmp/err
/bin/i815ctl --ports set cas=0 2> /tmp/err; status=$?
check set-refuses-with-2 [ "$status" = 2 ]
kernel_view > /tmp/after
check nothing-changed cmp -s /tmp/before /tmp/after

# A user without privilege: refused with the reason, status 1, never a signal.
/bin/guest_probe as-user 1000 /bin/i815ctl --ports dump > /dev/null 2> /tmp/err; status=$?
check user-ports-status-1 [ "$status" = 1 ]
check user-ports-says-run-as-root grep -q 'was refused by the system: Operation not permitted; run i815ctl as root' /tmp/err
/bin/guest_probe as-user 1000 /bin/i815ctl --kernel show > /dev/null 2> /tmp/err; status=$?
check user-kernel-status-1 [ "$status" = 1 ]
check user-kernel-says-64-bytes grep -q 'only the first 64 bytes' /tmp/err
/bin/guest_probe as-user 1000 /bin/i815ctl show > /dev/null 2> /tmp/err; status=$?
check user-default-status-1 [ "$status" = 1 ]
cat /tmp/err

# The helper: ports as root, refusals on the pipe, nothing for a user.
printf 'read 00\nmodify 54 0000000f 00000001\nmodify 50 00000040 00000000\nwrite 50 0\n' |
  /bin/i815quarvel-helper > /tmp/helper 2> /tmp/err; status=$?
check helper-status-0 [ "$status" = 0 ]
check helper-greets grep -qx 'i815quarvel-helper ready' /tmp/helper
check helper-reads-the-identity grep -qx 'ok 12378086' /tmp/helper
check helper-refuses-a-dword-without-settings grep -qx 'refused dword 0x54 holds no setting' /tmp/helper
check helper-refuses-another-bridge grep -qx 'refused the host bridge is not an i815' /tmp/helper
check helper-refuses-a-non-request grep -qx 'refused not a request' /tmp/helper
check helper-says-so-on-stderr [ "$(grep -c refused /tmp/err)" = 3 ]
echo 'read 00' | /bin/guest_probe as-user 1000 /bin/i815quarvel-helper > /tmp/helper 2>/dev/null; status=$?
check helper-user-refused [ "$status" = 1 ]
check helper-user-says-why grep -q 'refused: Access to the PCI configuration ports 0xCF8-0xCFF was refused by the system: Operation not permitted' /tmp/helper
kernel_view > /tmp/after
check helper-changed-nothing cmp -s /tmp/before /tmp/after

# Lockdown: even root may not use the ports.
if echo integrity > /sys/kernel/security/lockdown 2>/dev/null; then
  /bin/i815ctl --ports dump > /dev/null 2> /tmp/err; status=$?
  check lockdown-root-status-1 [ "$status" = 1 ]
  check lockdown-says-locked-down grep -q 'the kernel is locked down (lockdown=integrity' /tmp/err
  cat /tmp/err
else
  fail lockdown "the kernel has no lockdown"
fi

echo "GUEST DONE"
poweroff -f
