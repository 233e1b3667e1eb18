#!/bin/busybox sh
# /init of the guest: a real kernel on QEMU's i440FX host bridge (8086:1237), with static i386
# builds of i815ctl, the helper and the probe. Real users: root, a stranger (1000), a member of
# the group i815quarvel (1001) and the helper's own user i815quarvel (999). Every check prints
# "CHECK PASS name" or "CHECK FAIL name: why"; the host counts them; "MEASURE name: value" lines
# are measurements, not checks. The last line is "GUEST DONE".
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t securityfs securityfs /sys/kernel/security 2>/dev/null
mkdir -p /run /tmp /var/lib
chmod 0755 /run
chmod 1777 /tmp
# The helper's user could ptrace a process that only changed its user, were it left dumpable.
echo 1 > /proc/sys/fs/suid_dumpable
stranger=1000 member=1001:1001,999 helperuser=999

config=/sys/bus/pci/devices/0000:00:00.0/config
pass() { echo "CHECK PASS $1"; }
fail() { echo "CHECK FAIL $1: $2"; }
check() { name=$1; shift; if "$@"; then pass "$name"; else fail "$name" "$*"; fi; }
# The kernel's own view in the form i815ctl dump prints, without its header line.
kernel_view() { hexdump -v -e '16/1 " %02x" "\n"' "$config" | awk '{ printf "%x0:%s\n", NR - 1, $0 }'; }

echo "host bridge: $(cat /sys/bus/pci/devices/0000:00:00.0/vendor):$(cat /sys/bus/pci/devices/0000:00:00.0/device)"
kernel_view > /tmp/before

# Before any program of ours ran: a stranger cannot make the lock's folder first.
/bin/guest_probe as-user $stranger /bin/busybox mkdir -p /run/i815quarvel 2>/dev/null
check stranger-cannot-make-the-lock-folder [ ! -e /run/i815quarvel ]

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
not_an_i815="i815ctl: Not an i815 Chipset. The host bridge 00:00.0 is 8086:1237; an i815's is 8086:1130."
check show-says-not-an-i815 grep -qxF "$not_an_i815" /tmp/err
/bin/i815ctl --ports set ras=3 2> /tmp/err; status=$?
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
# On the default route a user is told what the bridge is, from the IDs the kernel shows everyone.
/bin/guest_probe as-user 1000 /bin/i815ctl show > /dev/null 2> /tmp/err; status=$?
check user-default-not-an-i815 sh -c "[ $status = 2 ] && grep -qxF \"$not_an_i815\" /tmp/err"
cat /tmp/err

# The helper: the kernel's file as root, refusals on the pipe, nothing for a user.
printf 'read 00\nsave\nmodify 54 0000000f 00000001\nmodify 50 00000040 00000000\nwrite 50 0\n' |
  /bin/i815quarvel-helper > /tmp/helper 2> /tmp/err; status=$?
check helper-status-0 [ "$status" = 0 ]
check helper-greets grep -qx 'i815quarvel-helper ready' /tmp/helper
check helper-reads-the-identity grep -qx 'ok 12378086' /tmp/helper
check helper-save-carries-no-port sh -c '[ "$(sed -n 3p /tmp/helper)" = ok ]'
check helper-refuses-a-dword-without-settings grep -qx 'refused dword 0x54 holds no setting' /tmp/helper
check helper-refuses-another-bridge grep -qx 'refused the host bridge is not an i815' /tmp/helper
check helper-refuses-a-non-request grep -qx 'refused not a request' /tmp/helper
check helper-says-so-on-stderr [ "$(grep -c refused /tmp/err)" = 3 ]
echo 'read 00' | /bin/guest_probe as-user $stranger /bin/i815quarvel-helper > /tmp/helper 2>/dev/null; status=$?
check helper-user-refused [ "$status" = 1 ]
check helper-user-says-why grep -q 'refused: must be started as root' /tmp/helper
kernel_view > /tmp/after
check helper-changed-nothing cmp -s /tmp/before /tmp/after

# The lock: made by root's programs, in root's folder; a stranger can neither make, open (to hold
# it), replace nor remove it, and root's tools work afterwards.
check lock-folder-is-roots sh -c '[ "$(stat -c %u:%a /run/i815quarvel)" = 0:755 ]'
check lock-is-roots-alone sh -c '[ "$(stat -c %u:%a /run/i815quarvel/lock)" = 0:600 ]'
as_stranger() { /bin/guest_probe as-user $stranger /bin/busybox "$@" 2>/dev/null; }
as_stranger flock -n /run/i815quarvel/lock true; check stranger-cannot-hold-the-lock [ $? != 0 ]
as_stranger rm -f /run/i815quarvel/lock; check stranger-cannot-remove-the-lock [ -f /run/i815quarvel/lock ]
as_stranger mv /run/i815quarvel/lock /tmp/taken; check stranger-cannot-move-the-lock [ -f /run/i815quarvel/lock ]
as_stranger touch /run/i815quarvel/other; check stranger-cannot-create-beside-it [ ! -e /run/i815quarvel/other ]
/bin/guest_probe rmw kernel 3 > /tmp/out; status=$?
check root-works-after-the-stranger sh -c "[ $status = 0 ] && [ \"\$(cat /tmp/out)\" = 0 ]"

# The helper's socket as systemd makes it: root listens, each connection starts a helper as root
# with the connection on standard input and output.
socket=/run/i815quarvel/helper.socket
server=$(/bin/guest_probe serve-socket $socket 999 /bin/i815quarvel-helper)
check socket-is-for-the-group sh -c "[ \"\$(stat -c %u:%g:%a $socket)\" = 0:999:660 ]"
/bin/guest_probe as-user $member /bin/i815ctl dump > /tmp/member 2> /tmp/err; status=$?
check member-dump-through-the-socket sh -c "[ $status = 0 ] && tail -n +2 /tmp/member | grep -v '^\$' | cmp -s - /tmp/before"
cat /tmp/err
/bin/guest_probe as-user $member /bin/i815ctl get cas > /dev/null 2> /tmp/err; status=$?
check member-get-through-the-socket sh -c "[ $status = 2 ] && grep -qxF \"$not_an_i815\" /tmp/err"
/bin/guest_probe as-user $stranger /bin/guest_probe hold-socket $socket 0 > /tmp/err; status=$?
check stranger-refused-at-the-socket sh -c "[ $status = 1 ] && grep -q 'is for the members of the group i815quarvel' /tmp/err"
cat /tmp/err
# Past the socket, the identity that anyone may read, and nothing more.
/bin/guest_probe as-user $stranger /bin/i815ctl dump > /dev/null 2> /tmp/err; status=$?
check stranger-dump-reads-only-the-identity sh -c "[ $status = 1 ] && grep -q 'nothing but its identity is read' /tmp/err"

# The helper as it serves: its own user, nothing left of root's privilege, only its descriptors.
/bin/guest_probe as-user $member /bin/guest_probe hold-socket $socket 4 > /tmp/held &
sleep 1
helper=$(pidof i815quarvel-helper | cut -d' ' -f1)
check helper-found [ -n "$helper" ]
status_of() { grep "^$1:" /proc/$helper/status | tr -s '\t ' ' ' | sed 's/ $//'; }
check helper-runs-as-its-user [ "$(status_of Uid)" = 'Uid: 999 999 999 999' ]
check helper-in-its-group [ "$(status_of Gid)" = 'Gid: 999 999 999 999' ]
check helper-no-other-groups [ "$(status_of Groups)" = 'Groups:' ]
check helper-capeff-0 [ "$(status_of CapEff)" = 'CapEff: 0000000000000000' ]
check helper-capprm-0 [ "$(status_of CapPrm)" = 'CapPrm: 0000000000000000' ]
check helper-no-new-privs [ "$(status_of NoNewPrivs)" = 'NoNewPrivs: 1' ]
# The kernel gives a process's files to root while it is not dumpable (the folder keeps its user).
check helper-not-dumpable [ "$(stat -c %u /proc/$helper/status)" = 0 ]
/bin/guest_probe as-user $helperuser /bin/guest_probe ptrace $helper 2>/dev/null
check helper-user-cannot-ptrace-it [ $? != 0 ]
check helper-no-core sh -c "grep -q '^Max core file size *0 *0 ' /proc/$helper/limits"
ls -l /proc/$helper/fd | awk '/->/ { print $(NF-2), $NF }' | sort > /tmp/fds
cat /tmp/fds
# (3: the member's slot, which keeps a second connection of the same user out.)
check helper-only-its-descriptors sh -c "[ \"\$(cut -d' ' -f1 /tmp/fds | tr '\n' ' ')\" = '0 1 2 3 4 5 ' ] &&
  grep -q '/0000:00:00.0/config\$' /tmp/fds && grep -q ' /run/i815quarvel/lock\$' /tmp/fds &&
  grep -q ' /run/i815quarvel/user-[0-9]*\$' /tmp/fds &&
  [ \"\$(grep -c ' socket:' /tmp/fds)\" = 2 ]"
wait
check member-was-greeted grep -qx greeted /tmp/held

# The race: a stranger reads every device's configuration file in a loop (as lspci does) while
# the helper answers 10,000 reads of the bridge's ID and a program linked with the access layer
# makes 10,000 read-modify-writes of the bridge's latency timer, all through the kernel's file.
snapshot() { for f in /sys/bus/pci/devices/*/config; do echo "$f"; hexdump -v -e '16/1 " %02x" "\n"' "$f"; done; }
snapshot > /tmp/all-before
/bin/guest_probe as-user $stranger /bin/sh -c 'while :; do cat /sys/bus/pci/devices/*/config > /dev/null; done' &
reader=$!
/bin/guest_probe as-user $member /bin/guest_probe helper-reads $socket 10000 12378086 > /tmp/out; status=$?
check race-helper-reads-no-foreign-value sh -c "[ $status = 0 ] && [ \"\$(cat /tmp/out)\" = 0 ]"
echo "MEASURE kernel-route helper reads of 10000 wrong: $(cat /tmp/out)"
/bin/guest_probe rmw kernel 10000 > /tmp/out; status=$?
check race-kernel-rmw-no-foreign-value sh -c "[ $status = 0 ] && [ \"\$(cat /tmp/out)\" = 0 ]"
echo "MEASURE kernel-route read-modify-writes of 10000 wrong: $(cat /tmp/out)"
kill $reader; wait $reader 2>/dev/null
snapshot > /tmp/all-after
check race-no-other-bit-or-device-changed cmp -s /tmp/all-before /tmp/all-after
kill $server

# Lockdown under way below; first the same race once on the ports route: a measurement.
/bin/guest_probe as-user $stranger /bin/sh -c 'while :; do cat /sys/bus/pci/devices/*/config > /dev/null; done' &
reader=$!
echo "MEASURE ports-route reads of 10000 wrong: $(/bin/guest_probe reads ports 10000 12378086)"
echo "MEASURE ports-route read-modify-writes of 10000 wrong: $(/bin/guest_probe rmw ports 10000)"
kill $reader; wait $reader 2>/dev/null
snapshot > /tmp/all-after
echo "MEASURE ports-route devices changed: $(cmp -s /tmp/all-before /tmp/all-after && echo none || echo some)"

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
