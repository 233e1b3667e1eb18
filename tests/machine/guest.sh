#!/bin/bash
# The system test inside the booted Debian 12 i386 machine, one stage a boot, as root:
#   guest.sh STAGE      (systest-run gives it the stage from the kernel's command line)
# Every check prints "CHECK PASS name" or "CHECK FAIL name" on the serial console, every figure
# "MEASURE ..."; the host counts them. The machine's host bridge is QEMU's i440FX (8086:1237).
# What outlives a boot (times, the emulated chip) is kept in /var/lib/systest.
set -u
stage=$1
here=/run/systest
out=$here/out
state=/var/lib/systest
chip=$state/i815.lspci                         # the emulated i815 of the drop-in, in lspci -xxx form
profile=/etc/i815quarvel.conf
marker=/var/lib/i815quarvel/apply-in-progress
chip_marker=$chip.apply-in-progress            # an emulated chip's marker lies beside its dump
dropin=/etc/systemd/system/i815quarvel-apply.service.d/systest-emulated.conf
guard_dropin=/etc/systemd/system/i815quarvel-apply-guard.service.d/systest-emulated.conf
polkit_rule=/etc/polkit-1/rules.d/50-systest-member.rules
helper=/usr/libexec/i815quarvel/i815quarvel-helper
config=/sys/bus/pci/devices/0000:00:00.0/config
mkdir -p "$state" "$out"
# A user's program with nothing of root's: its own IDs and groups, a clean environment. A
# program of its own that becomes the user's program (exec), so that a signal reaches that.
as_user=$state/as-user  # /run is mounted noexec
printf '#!/bin/sh\nuser=$1\nshift\nexec setpriv --reuid="$user" --regid="$user" --init-groups --reset-env -- "$@"\n' \
  > "$as_user"
chmod 755 "$as_user"

check() {  # check NAME COMMAND...: PASS when COMMAND succeeds
  local name=$1
  shift
  if "$@" >/dev/null 2>&1; then echo "CHECK PASS $name"; else echo "CHECK FAIL $name"; fi
}
is() {  # is NAME ACTUAL EXPECTED
  if [ "$2" = "$3" ]; then
    echo "CHECK PASS $1"
  else
    echo "CHECK FAIL $1: \"$2\", expected \"$3\""
  fi
}
measure() { echo "MEASURE $*"; }
show() {  # the first lines of a file on the console, indented, to explain a failure
  sed -n '1,15s/^/    /p' "$1"
}
prop() { systemctl show -P "$2" "$1"; }
emulated_values() { i815ctl --emulated="$chip" get agpfw amtt | tr '\n' ' '; }
boot_to_multi_user() {  # seconds from the kernel's start to multi-user.target, e.g. 21.345
  awk -v us="$(prop multi-user.target ActiveEnterTimestampMonotonic)" 'BEGIN { printf "%.3f", us / 1e6 }'
}
apply_seconds() {  # how long the apply unit's program ran, e.g. 0.412
  awk -v a="$(prop i815quarvel-apply.service ExecMainStartTimestampMonotonic)" \
      -v b="$(prop i815quarvel-apply.service ExecMainExitTimestampMonotonic)" 'BEGIN { printf "%.3f", (b - a) / 1e6 }'
}
# multi-user.target waits for the apply's program, and for nothing of the guard. How long the
# program ran is measured, not judged: under an emulator on a busy host it took from 1.5 to 5 s
# from one run to the next, and the boots' own times, profile or none, swing by more than that.
# What is checked is the order: the apply had ended when multi-user.target was reached.
apply_ended_before_multi_user() {
  check "$1" awk -v end="$(prop i815quarvel-apply.service ExecMainExitTimestampMonotonic)" \
    -v up="$(prop multi-user.target ActiveEnterTimestampMonotonic)" 'BEGIN { exit !(end > 0 && end <= up) }'
}
journal_of() { journalctl -b -q --no-pager -o cat -u "$1"; }
helper_starts() { journalctl -b -q --no-pager -o cat | grep -c 'i815 chipset helper for one connection'; }
pkexec_runs() { journalctl -b -q --no-pager -o cat -t pkexec | grep -c "COMMAND=$helper"; }
wait_for() {  # wait_for SECONDS COMMAND...: until COMMAND succeeds
  local until=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    ((SECONDS < until)) || return 1
    sleep 0.5
  done
}

# --- the window under Xvfb, as the member
display=:1
fbdir=/home/member/framebuffer
start_display() {
  "$as_user" member mkdir -p "$fbdir"
  "$as_user" member Xvfb "$display" -screen 0 1024x768x24 -dpi 96 -nolisten tcp -fbdir "$fbdir" \
    > "$out/xvfb.log" 2>&1 &
  xvfb=$!
  wait_for 60 test -S /tmp/.X11-unix/X1
}
window_shown() {  # a viewable top-level window: the window or its message box
  local id
  for id in $("$as_user" member env DISPLAY=$display xwininfo -root -children | awk '/^ +0x/ { print $1 }'); do
    "$as_user" member env DISPLAY=$display xwininfo -id "$id" | grep -q 'Map State: IsViewable' && return 0
  done
  return 1
}
# run_window NAME SCREENSHOT COMMAND...: starts the window, waits for it, takes the screen into
# out/SCREENSHOT.xwd, ends it as a desktop's logout would (SIGTERM), and sets window_status.
# COMMAND must become the window by exec (as-user, env, unshare), so that the signal reaches it.
run_window() {
  local name=$1 shot=$2 pid
  shift 2
  "$@" > "$out/$name.log" 2>&1 &
  pid=$!
  if wait_for 120 window_shown; then
    sleep 3  # drawn by now: the box is mapped before it is painted
    cp "$fbdir/Xvfb_screen0" "$out/$shot.xwd"
    echo "CHECK PASS $name-shows"
  else
    echo "CHECK FAIL $name-shows"
    show "$out/$name.log"
  fi
  kill -TERM "$pid" 2>/dev/null
  wait "$pid"
  window_status=$?
}

stage_install() {
  local debs status
  debs=("$here"/debs/i815ctl_*_i386.deb "$here"/debs/i815quarvel_*_i386.deb)
  apt-get install -y -q --no-install-recommends "${debs[@]}" > "$out/install.log" 2>&1
  status=$?
  is install-status "$status" 0
  [ "$status" = 0 ] || show "$out/install.log"
  is installed-i815ctl "$(dpkg-query -W -f='${Status}' i815ctl)" "install ok installed"
  is installed-i815quarvel "$(dpkg-query -W -f='${Status}' i815quarvel)" "install ok installed"
  is helper-user "$(getent passwd i815quarvel | cut -d: -f6,7)" /nonexistent:/usr/sbin/nologin
  check helper-user-is-a-system-user [ "$(id -u i815quarvel)" -lt 1000 ]
  check group-is-a-system-group [ "$(getent group i815quarvel | cut -d: -f3)" -lt 1000 ]
  is nothing-enabled-by-the-installation "$(find /etc/systemd -name '*i815quarvel*')" ""
  is socket-not-started-by-the-installation "$(systemctl is-active i815quarvel-helper.socket)" inactive
  is runtime-folder "$(stat -c %U:%G:%a /run/i815quarvel)" root:root:755
  local setid
  setid=$(dpkg -L i815ctl i815quarvel | while read -r f; do [ -f "$f" ] && { [ -u "$f" ] || [ -g "$f" ]; } && echo "$f"; done)
  is no-set-id-program "$setid" ""
  check i815ctl-runs-on-the-pentium-iii i815ctl --version
  i815ctl get agpfw > /dev/null 2> "$out/root-get.err"
  is root-get-status "$?" 2
  is root-get-says "$(cat "$out/root-get.err")" "i815ctl: Not an i815 Chipset. The host bridge 00:00.0 is 8086:1237; an i815's is 8086:1130."

  useradd --create-home --groups i815quarvel --shell /bin/bash member
  useradd --create-home --shell /bin/bash stranger
  useradd --create-home --groups i815quarvel --shell /bin/bash member2
  check member-in-the-group sh -c 'id -nG member | grep -qw i815quarvel'
  check member2-in-the-group sh -c 'id -nG member2 | grep -qw i815quarvel'
  systemctl enable i815quarvel-apply.service > "$out/enable.log" 2>&1
  is apply-enabled-for-five-targets "$(find /etc/systemd/system -path '*.wants/i815quarvel-apply.service' | wc -l)" 5
  systemctl enable i815quarvel-helper.socket > "$out/enable-socket.log" 2>&1
  is socket-enabled "$(systemctl is-enabled i815quarvel-helper.socket)" enabled
}

# --- What the group may do through the socket, on an emulated i815 in a file that a drop-in of
# the test binds over the kernel's configuration file for the helpers alone.
helper_dropins=/etc/systemd/system/i815quarvel-helper@.service.d
helper_journal() { journalctl -b -q --no-pager -o cat -u 'i815quarvel-helper@*'; }
ask_helper() {  # ask_helper USER FILE REQUEST...: each request a line; the replies into FILE
  printf '%s\n' "${@:3}" | "$as_user" "$1" nc -N -U /run/i815quarvel/helper.socket > "$2" 2>&1
}
socket_limits() {
  local fake=$state/i815.config dump=$state/i815-for-the-helper.lspci member_uid before_chip real
  member_uid=$(id -u member)
  real=$(readlink -f $config)
  i815ctl --emulated --save-emulated "$dump" get agpfw > /dev/null
  sed -n 's/^[0-9a-f]0: //p' "$dump" | tr ' ' '\n' | while read -r byte; do printf "\\x$byte"; done > "$fake"
  is emulated-chip-file-size "$(stat -c %s "$fake")" 256
  mkdir -p $helper_dropins
  # (The device's name holds colons, which BindPaths= takes as escaped.)
  printf '# Written by the system test: the helpers see an emulated i815 in a file.\n[Service]\nBindPaths=%s:%s\n' \
    "$fake" "${real//:/\\:}" > $helper_dropins/systest-chip.conf
  systemctl daemon-reload
  "$as_user" member i815ctl get agpfw > "$out/member-emulated-get" 2>&1
  is member-reads-the-emulated-i815 "$(cat "$out/member-emulated-get")" off

  # The values with a warning: refused to a member, however asked, and logged; the chip as it was.
  before_chip=$(od -An -tx1 "$fake")
  ask_helper member "$out/self-refresh" 'modify 50 e0000000 00000000' 'modify 70 00080000 00080000'
  check self-refresh-refused grep -q '^refused sms = (!) DRAM in Self-Refresh Mode, Refresh Disabled: ' "$out/self-refresh"
  check throttle-lock-refused grep -q '^refused thrlock = on: once set, only a reset clears' "$out/self-refresh"
  show "$out/self-refresh"
  "$as_user" member i815ctl set --force sms=self-refresh > /dev/null 2> "$out/set-force.err"
  is set-force-of-a-warning-status "$?" 1
  check set-force-refused-by-the-helper grep -q 'a value with a warning is written for root alone' "$out/set-force.err"
  is warnings-left-the-chip-as-it-was "$(od -An -tx1 "$fake")" "$before_chip"
  check self-refresh-refusal-logged wait_for 10 sh -c "journalctl -b -q --no-pager -o cat -u 'i815quarvel-helper@*' |
    grep -qF 'refused \"modify 50 e0000000 00000000\" of user $member_uid: sms = (!) DRAM in Self-Refresh Mode'"

  # An accepted write: the journal names the user, the dword, the mask, the bits and the value.
  ask_helper member "$out/clt" 'modify 50 00000040 00000000'
  is clt-written "$(sed -n 2p "$out/clt")" "ok 277c0204"
  is clt-in-the-chip "$(od -An -tx1 -j80 -N4 "$fake")" " 04 02 7c 27"
  check write-logged-with-the-user wait_for 10 sh -c "journalctl -b -q --no-pager -o cat -u 'i815quarvel-helper@*' |
    grep -qxF 'i815quarvel-helper: user $member_uid wrote 277c0204 to dword 0x50 (mask 00000040, bits 00000000)'"

  # A flood of refusals: five lines, then their count.
  local lines=() i
  for i in $(seq 1 40); do lines+=("flood $i"); done
  ask_helper member2 "$out/flood" "${lines[@]}"
  is flood-all-refused "$(grep -c '^refused not a request$' "$out/flood")" 40
  wait_for 10 sh -c "journalctl -b -q --no-pager -o cat -u 'i815quarvel-helper@*' | grep -q 'refused 35 more'"
  is flood-five-lines-logged "$(helper_journal | grep -c "refused \"flood [0-9]*\" of user $(id -u member2)")" 5
  is flood-counted-in-one-line "$(helper_journal | grep -c 'refused 35 more requests within that minute, not logged one by one')" 1

  # The idle limit, shortened by a drop-in: a held connection that asks nothing is closed.
  printf '[Service]\nExecStart=\nExecStart=%s --idle-seconds=5\n' $helper > $helper_dropins/systest-options.conf
  systemctl daemon-reload
  local holder
  "$as_user" member nc -U /run/i815quarvel/helper.socket < <(sleep 60) > "$out/idle" 2>&1 &
  holder=$!
  check idle-connection-closed wait_for 30 grep -qx 'failed The helper closed the connection after 5 seconds without a request' "$out/idle"
  check idle-close-logged wait_for 10 sh -c "journalctl -b -q --no-pager -o cat -u 'i815quarvel-helper@*' |
    grep -qF 'closed the connection of user $member_uid after 5 seconds without a request'"
  kill "$holder" 2>/dev/null
  wait "$holder" 2>/dev/null

  # The administrator's drop-in lets the group write values with a warning.
  printf '[Service]\nExecStart=\nExecStart=%s --group-writes-warnings\n' $helper > $helper_dropins/systest-options.conf
  systemctl daemon-reload
  ask_helper member "$out/allowed" 'modify 70 00080000 00080000'
  is warning-written-where-allowed "$(sed -n 2p "$out/allowed")" "ok 0a8a800c"

  rm -rf $helper_dropins
  systemctl daemon-reload
}

stage_noprofile() {
  local t0
  t0=$(boot_to_multi_user)
  echo "$t0" > "$state/boot-without-profile"
  measure "boot to multi-user.target without a profile: $t0 s"
  is apply-skipped-without-a-profile "$(prop i815quarvel-apply.service ConditionResult)" no

  # The socket service, enabled: started with the boot.
  local socket=/run/i815quarvel/helper.socket status before
  is socket-listening "$(systemctl is-active i815quarvel-helper.socket)" active
  is socket-for-the-group "$(stat -c %U:%G:%a $socket)" root:i815quarvel:660
  before=$(helper_starts)
  "$as_user" member i815ctl get agpfw > "$out/member-get.out" 2> "$out/member-get.err"
  is member-get-status "$?" 2
  is member-get-says "$(cat "$out/member-get.err")" "i815ctl: Not an i815 Chipset. The host bridge 00:00.0 is 8086:1237; an i815's is 8086:1130."
  is member-get-reached-the-helper "$(helper_starts)" $((before + 1))
  # A stranger: the socket is closed to him, and the IDs that the kernel shows everyone say what
  # the bridge is, instead of advice on how to get at it.
  "$as_user" stranger i815ctl get agpfw > /dev/null 2> "$out/stranger-get.err"
  status=$?
  is stranger-get-status "$status" 2
  is stranger-get-says "$(cat "$out/stranger-get.err")" "i815ctl: Not an i815 Chipset. The host bridge 00:00.0 is 8086:1237; an i815's is 8086:1130."
  "$as_user" stranger nc -U $socket < /dev/null > "$out/stranger-nc" 2>&1
  check stranger-refused-at-the-socket grep -qi 'permission denied' "$out/stranger-nc"
  is stranger-started-no-helper "$(helper_starts)" $((before + 1))

  # The helper as it serves a connection that the member holds open.
  "$as_user" member nc -U $socket < <(sleep 60) > "$out/held" 2>&1 &
  local holder=$! unit pid uid
  check helper-greets wait_for 60 grep -qx 'i815quarvel-helper ready' "$out/held"
  unit=$(systemctl list-units --plain --no-legend --state=running 'i815quarvel-helper@*.service' | awk '{ print $1; exit }')
  pid=$(prop "$unit" MainPID)
  uid=$(id -u i815quarvel)
  field() { grep "^$1:" /proc/$pid/status | tr -s '\t ' ' ' | sed 's/ $//'; }
  is helper-runs-as-its-user "$(field Uid)" "Uid: $uid $uid $uid $uid"
  is helper-in-its-group "$(field Gid)" "Gid: $uid $uid $uid $uid"
  is helper-no-other-groups "$(field Groups)" "Groups:"
  for set in CapInh CapPrm CapEff CapAmb; do
    is "helper-$set" "$(field $set)" "$set: 0000000000000000"
  done
  is helper-no-new-privs "$(field NoNewPrivs)" "NoNewPrivs: 1"
  is helper-not-dumpable "$(stat -c %u /proc/$pid/status)" 0
  is helper-bounding-set-empty "$(field CapBnd)" "CapBnd: 0000000000000000"
  is helper-in-a-seccomp-filter "$(field Seccomp)" "Seccomp: 2"
  # The connection that the member holds is the member's one: a second is refused at once,
  # another member is still served.
  "$as_user" member nc -N -U $socket < /dev/null > "$out/second" 2>&1
  is second-connection-refused "$(cat "$out/second")" \
    "i815quarvel-helper refused: user $(id -u member) has a connection to the helper already; one at a time"
  ask_helper member2 "$out/member2" 'read 00'
  is member2-served-beside-the-member "$(cat "$out/member2")" "i815quarvel-helper ready
ok 12378086"
  kill "$holder" 2>/dev/null
  wait "$holder" 2>/dev/null
  check slot-free-once-the-helper-ends wait_for 30 sh -c "printf 'read 00\n' |
    '$as_user' member nc -N -U $socket | grep -qx 'ok 12378086'"

  socket_limits

  # The window as the member, on this host bridge: refused from the IDs that the kernel shows
  # everyone, before any helper or password.
  start_display || { echo "CHECK FAIL xvfb-starts"; show "$out/xvfb.log"; }
  local helpers pkexecs
  helpers=$(helper_starts) pkexecs=$(pkexec_runs)
  run_window window-i440fx window-i440fx "$as_user" member env DISPLAY=$display i815quarvel
  is window-i440fx-status "$window_status" 2
  is window-i440fx-started-no-helper "$(helper_starts)" "$helpers"
  is window-i440fx-ran-no-pkexec "$(pkexec_runs)" "$pkexecs"

  # The window through pkexec: the socket stopped, a polkit rule that lets the member in, and the
  # window shown an i815's IDs in a mount namespace of its own, so that it goes on to the helper;
  # the helper reads the real chip through the kernel's file and says what it is.
  systemctl stop i815quarvel-helper.socket
  cat > "$polkit_rule" <<'EOF'
// Written by the system test: the member may start the helper without a password.
polkit.addRule(function (action, subject) {
    if (action.id == "org.i815quarvel.helper" && subject.user == "member")
        return polkit.Result.YES;
});
EOF
  printf '0x1130\n' > "$here/i815-device"
  run_window window-pkexec window-pkexec \
    unshare --mount --propagation private sh -c "mount --bind $here/i815-device ${config%/config}/device &&
      exec $as_user member env DISPLAY=$display i815quarvel"
  is window-pkexec-status "$window_status" 2
  is window-pkexec-ran-the-helper "$(pkexec_runs)" $((pkexecs + 1))
  journalctl -b -q --no-pager -o cat -t pkexec | tail -n 2 | sed 's/^/    /'

  # The helper as pkexec starts it, outside any unit: the same bounding set and its own filter,
  # the only one on it. (as-user, setpriv and pkexec each become the next: $! is the helper.)
  "$as_user" member pkexec $helper < <(sleep 60) > "$out/pkexec-held" 2>&1 &
  local pkexeced=$!
  check pkexec-helper-greets wait_for 60 grep -qx 'i815quarvel-helper ready' "$out/pkexec-held"
  pid=$pkexeced
  is pkexec-helper-runs-as-its-user "$(field Uid)" "Uid: $uid $uid $uid $uid"
  is pkexec-helper-CapEff "$(field CapEff)" "CapEff: 0000000000000000"
  is pkexec-helper-bounding-set-empty "$(field CapBnd)" "CapBnd: 0000000000000000"
  is pkexec-helper-no-new-privs "$(field NoNewPrivs)" "NoNewPrivs: 1"
  is pkexec-helper-in-its-own-seccomp-filter "$(field Seccomp) $(field Seccomp_filters)" "Seccomp: 2 Seccomp_filters: 1"
  [ -s "$out/pkexec-held" ] && show "$out/pkexec-held"
  kill "$pkexeced" 2>/dev/null
  wait "$pkexeced" 2>/dev/null
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
  rm -f "$polkit_rule"
  systemctl start i815quarvel-helper.socket

  printf '# The system test'"'"'s profile\nagpfw = on\namtt = 64\n' > "$profile"
}

stage_profile() {
  local t0 t1
  t0=$(cat "$state/boot-without-profile") t1=$(boot_to_multi_user)
  measure "boot to multi-user.target with a profile on this host bridge: $t1 s (without: $t0 s);" \
    "the apply: $(apply_seconds) s"
  apply_ended_before_multi_user apply-ended-before-the-boot-went-on
  is apply-ran "$(prop i815quarvel-apply.service ConditionResult)" yes
  is apply-status "$(prop i815quarvel-apply.service ExecMainStatus)" 2
  is apply-ends-not-an-i815 "$(journal_of i815quarvel-apply.service | grep '^i815ctl:' | tail -n 1)" \
    "i815ctl: Not an i815 Chipset. The host bridge 00:00.0 is 8086:1237; an i815's is 8086:1130."
  check no-marker-left [ ! -e $marker ]
  # The marker's folder and lock are root's alone: a stranger cannot hold up the apply or the guard.
  is state-folder-root-only "$(stat -c %U:%a /var/lib/i815quarvel)" root:700
  local locked
  "$as_user" stranger flock -n /var/lib/i815quarvel true > "$out/stranger-flock" 2>&1 && locked=yes || locked=no
  is stranger-cannot-lock-the-state-folder "$locked" no
  "$as_user" stranger flock -n /var/lib/i815quarvel/apply-in-progress.lock true > /dev/null 2>&1 &&
    locked=yes || locked=no
  is stranger-cannot-lock-the-marker "$locked" no
  is guard-skipped "$(prop i815quarvel-apply-guard.service ConditionResult)" no

  # The next boots: the unit on an emulated i815, which starts with the settings that the
  # profile changes (agpfw off, amtt 32).
  rm -f "$chip"
  i815ctl --emulated --save-emulated "$chip" get agpfw > /dev/null
  mkdir -p "${dropin%/*}"
  cat > "$dropin" <<EOF
# Written by the system test: the boot and resume apply on an emulated i815 in a file.
[Service]
ReadWritePaths=$state
ExecStart=
ExecStart=/usr/bin/i815ctl --emulated=$chip --save-emulated $chip apply --boot $profile
EOF
  # The guard settles the same chip's marker, which lies beside its dump, never the real one.
  mkdir -p "${guard_dropin%/*}"
  cat > "$guard_dropin" <<EOF
# Written by the system test: the hang guard of the apply on the emulated i815.
[Unit]
ConditionPathExists=
ConditionPathExists=$chip_marker
[Service]
ReadWritePaths=$state
ExecStart=
ExecStart=/usr/bin/i815ctl --emulated=$chip apply --settle
EOF
  is emulated-chip-before-the-boot "$(emulated_values)" "off 32 "
}

applies() { prop i815quarvel-apply.service ExecMainStartTimestampMonotonic; }
guard_runs() { prop i815quarvel-apply-guard.service ExecMainStartTimestampMonotonic; }
apply_done_since() {  # apply_done_since TIMESTAMP: the unit ran again and has ended
  [ "$(applies)" != "$1" ] && [ "$(prop i815quarvel-apply.service ActiveState)" != activating ]
}

stage_emulated() {
  local t0 t1
  t0=$(cat "$state/boot-without-profile") t1=$(boot_to_multi_user)
  measure "boot to multi-user.target with a profile applied: $t1 s (without: $t0 s); the apply: $(apply_seconds) s"
  apply_ended_before_multi_user boot-apply-ended-before-the-boot-went-on
  is boot-apply-status "$(prop i815quarvel-apply.service ExecMainStatus)" 0
  # The guard's 60 seconds run beside the boot: multi-user.target did not wait for them.
  is guard-still-waiting-after-the-boot "$(prop i815quarvel-apply-guard.service ActiveState)" active
  is profile-applied-at-boot "$(emulated_values)" "on 64 "
  journal_of i815quarvel-apply.service | grep '^[a-z]*:' | sed 's/^/    /'
  i815ctl --emulated="$chip" --save-emulated "$chip" set agpfw=off amtt=32

  # The upgrade to the next version (the same packages repacked), while the socket listens, the
  # apply has run and its guard waits: the socket listens afterwards, the apply did not run again
  # (it would have written the profile to the chip), the guard was not stopped (a stop takes the
  # marker away before its 60 seconds), and what was enabled stays enabled.
  local applied guard status
  applied=$(applies) guard=$(guard_runs)
  apt-get install -y -q --no-install-recommends "$here"/upgrade/*.deb > "$out/upgrade.log" 2>&1
  status=$?
  is upgrade-status "$status" 0
  [ "$status" = 0 ] || show "$out/upgrade.log"
  is upgraded "$(dpkg-query -W -f='${Version} ' i815ctl i815quarvel)" \
    "$(dpkg-deb -f "$here"/upgrade/i815ctl_*_i386.deb Version) $(dpkg-deb -f "$here"/upgrade/i815quarvel_*_i386.deb Version) "
  is socket-listens-after-the-upgrade "$(systemctl is-active i815quarvel-helper.socket)" active
  ask_helper member "$out/after-upgrade" 'read 00'
  is helper-serves-after-the-upgrade "$(cat "$out/after-upgrade")" "i815quarvel-helper ready
ok 12378086"
  is apply-not-run-by-the-upgrade "$(applies)" "$applied"
  is nothing-applied-by-the-upgrade "$(emulated_values)" "off 32 "
  is guard-not-restarted-by-the-upgrade "$(guard_runs)" "$guard"
  check guard-not-stopped-by-the-upgrade sh -c \
    "! journalctl -b -q --no-pager -o cat -u i815quarvel-apply-guard.service | grep -q 'stopped orderly'"
  is enabled-after-the-upgrade "$(systemctl is-enabled i815quarvel-apply.service i815quarvel-helper.socket | tr '\n' ' ')" \
    "enabled enabled "

  # Suspend to RAM (S3); the host wakes the machine through QEMU's monitor.
  local before
  before=$(applies)
  echo "SYSTEST SUSPEND"
  systemctl suspend
  check apply-ran-after-resume wait_for 180 apply_done_since "$before"
  check kernel-resumed sh -c "journalctl -b -k -q --no-pager -o cat | grep -q 'PM: suspend exit'"
  is resume-apply-status "$(prop i815quarvel-apply.service ExecMainStatus)" 0
  is profile-applied-after-resume "$(emulated_values)" "on 64 "

  # The hang guard: the chip set back once more, the marker of the apply after resume in place,
  # and the machine killed by the host before the guard's 60 seconds are over.
  i815ctl --emulated="$chip" --save-emulated "$chip" set agpfw=off amtt=32
  check marker-in-place [ -f $chip_marker ]
  check no-real-marker [ ! -e $marker ]
  sed 's/^/    /' $chip_marker
  sync
  echo "SYSTEST KILL"
  sleep 600
}

stage_guard() {
  is apply-after-the-hang-status "$(prop i815quarvel-apply.service ExecMainStatus)" 1
  journal_of i815quarvel-apply.service | grep '^i815ctl:' | sed 's/^/    /'
  check journal-names-the-marker sh -c "journalctl -b -q --no-pager -o cat -u i815quarvel-apply.service |
    grep -F 'not applied' | grep -F 'rm $chip_marker'"
  is nothing-applied-after-the-hang "$(emulated_values)" "off 32 "
  check marker-stays [ -f $chip_marker ]
  rm -f $chip_marker
}

stage_noapply() {
  is apply-skipped-by-noapply "$(prop i815quarvel-apply.service ConditionResult)" no
  check journal-names-noapply sh -c "journalctl -b -q --no-pager -o cat | grep -F 'ConditionKernelCommandLine=!i815quarvel.noapply'"
  is nothing-applied-with-noapply "$(emulated_values)" "off 32 "
  check no-marker-with-noapply [ ! -e $chip_marker ]

  # Purge: the test's own files first, then both packages.
  rm -rf "${dropin%/*}" "${guard_dropin%/*}"
  systemctl daemon-reload
  local listing=$state/listing status left
  dpkg -L i815ctl i815quarvel | sort -u > "$listing"
  check socket-active-before-the-purge systemctl is-active i815quarvel-helper.socket
  apt-get purge -y -q i815quarvel i815ctl > "$out/purge.log" 2>&1
  status=$?
  is purge-status "$status" 0
  [ "$status" = 0 ] || show "$out/purge.log"
  left=$(while read -r f; do [ -e "$f" ] || [ -L "$f" ] && [ ! -d "$f" ] && echo "$f"; done < "$listing")
  is purge-left-no-file "$left" ""
  is purge-left-no-link "$(find /etc/systemd /var/lib/systemd /run/systemd/system -name '*i815quarvel*' 2>/dev/null)" ""
  left=$(for f in /var/lib/i815quarvel /usr/libexec/i815quarvel /usr/share/doc/i815ctl /usr/share/doc/i815quarvel \
                  /run/i815quarvel; do [ -e $f ] && echo $f; done)
  is purge-left-no-folder "$left" ""
  is purge-left-no-user "$(getent passwd i815quarvel)" ""
  is purge-left-no-group "$(getent group i815quarvel)" ""
  check member-no-longer-in-the-group sh -c '! id -nG member | grep -qw i815quarvel'
  is socket-stopped-by-the-removal "$(systemctl is-active i815quarvel-helper.socket)" inactive
  is purge-left-no-unit "$(systemctl list-units --all --plain --no-legend '*i815quarvel*')" ""
  is purge-left-no-process "$(cat /proc/[0-9]*/comm 2>/dev/null | grep -c i815)" 0
  # The profile is the administrator's own file (i815ctl save), not the package's: it stays.
  check profile-stays-for-the-administrator [ -f $profile ]
}

echo "SYSTEST STAGE $stage"
case $stage in
  install) stage_install ;;
  noprofile) stage_noprofile ;;
  profile) stage_profile ;;
  emulated) stage_emulated ;;
  guard) stage_guard ;;
  noapply) stage_noapply ;;
  *) echo "CHECK FAIL known-stage: $stage"; exit 1 ;;
esac
exit 0
