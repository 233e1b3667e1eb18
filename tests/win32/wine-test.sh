#!/usr/bin/env bash
# The Windows programs under Debian's Wine for i386, in Xvfb, clicked and typed at through X
# (xdotool, xclip) as a user would, and looked at from inside Wine by window_probe.exe.
#   tests/win32/wine-test.sh TEST PROGRAM-DIR PROBE WORK-DIR
# TEST:
#   emulated-window  i815quarvel-sim.exe with Wine set to Windows XP: a bad DUMP refused; start
#                    and close change nothing; every control at the place the layout table
#                    gives, at 96 and at 120 dpi; all four pages shown (screenshots in
#                    WORK-DIR/emulated-window); a click on a check box writes exactly its bit;
#                    the About text copied out with Ctrl+A, Ctrl+C equals the form core's; the
#                    GFX-mode warning before the window
#   real-window-nt   i815quarvel.exe with Wine set to Windows XP and no driver installed: the
#                    failure display names the command that installs it, status 1
#   real-window-98   Wine set to Windows 98, which answers port reads with all ones:
#                    i815quarvel.exe says "Not an i815 Chipset." and ends with status 2, its
#                    window never shown; and the emulated window's places under Windows 98
#   access-nt ACCESS-TEST, access-98 ACCESS-TEST
#                    access_test.exe with Wine set to Windows XP and to Windows 98: the port
#                    back end, the way to the chip and the lock between programs (access_test.cpp)
#   files FILES-TEST files_test.exe with Wine set to Windows XP: a file written whole, a dump
#                    read and locked, paths, the boot guard's marker and its lock (files_test.cpp)
#   ctl LINUX-I815CTL
#                    i815ctl.exe --emulated (Wine set to Windows XP): show, get, set, dump, save,
#                    check, apply, list, diff and try answered from a pipe, the warnings and
#                    --force, --json, and - as standard input and output give the output of the
#                    Linux build, byte for byte but for line endings, a saved profile's date and
#                    the code page (Windows-1252 in files and pipes); "µs" on a console; on
#                    the ports, the refusal with its advice, and under Windows 98 the all-ones
#                    bridge refused as not an i815; the boot guard's marker beside the dump and
#                    beside the profile
#   driver ACCESS-TEST LINUX-I815CTL
#                    Wine set to Windows XP, i815ctl.exe and i815quarvel.exe in a folder with the
#                    driver's test build as i815quarvel.sys (its chip: the built-in emulated i815
#                    in memory): without the driver, both name the command that installs it;
#                    i815ctl.exe driver installs it, says its state, and removes it; show, get,
#                    set and dump through it give the Linux i815ctl --emulated's output byte for
#                    byte; the window's click writes exactly its bit; a stopped driver is started
#                    by the program that needs it; the driver refuses what the field table does
#                    not allow (access_test.exe driver). Then the real driver on Wine's HAL, which
#                    has no configuration space: i815ctl.exe and the window say so, status 1,
#                    never "Not an i815"
# WORK-DIR keeps the Wine prefix from one run to the next.
set -euo pipefail
test=$1 programs=$2 probe=$3 work=$4 extra=${5:-}
linux_ctl=$extra
[ "$test" != driver ] || linux_ctl=${6:-}

# Wine runs a Windows program inside an i386 Linux process. On a kernel that runs none, or runs
# them only through a user-mode emulator registered in binfmt_misc (where Wine cannot map its
# shared user data and ends), these tests cannot run: they say so and count as skipped (77).
i386_emulator() {
  local entry
  [ "$(cat /proc/sys/fs/binfmt_misc/status 2>/dev/null)" = enabled ] || return 1
  for entry in /proc/sys/fs/binfmt_misc/*; do
    [ "$(head -n 1 "$entry" 2>/dev/null)" = enabled ] || continue
    # The ELF header of an i386 executable: class 1, data 1, e_machine 3 at bytes 18 and 19.
    if grep -q '^magic 7f454c460101.\{20\}0[23]000300' "$entry"; then
      sed -n 's/^interpreter //p' "$entry"
      return 0
    fi
  done
  return 1
}
if emulator=$(i386_emulator); then
  echo "skipped: this kernel runs i386 programs only through $emulator, under which Wine cannot run"
  exit 77
fi
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  echo "skipped: this kernel runs no i386 programs (/lib/ld-linux.so.2 cannot be run), and Wine needs them"
  exit 77
fi

if [ -z "${QUARVEL_IN_XVFB:-}" ]; then
  export QUARVEL_IN_XVFB=1
  exec xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96 -nolisten tcp" "$0" "$@"
fi

export WINEPREFIX=$work/prefix WINEARCH=win32 WINEDEBUG=-all
out=$work/$test
rm -rf "$out"
mkdir -p "$out"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
trap 'wineserver -k 2>/dev/null || true' EXIT

# A prefix of our own, made once: Wine's own MS Sans Serif (Debian's Wine does not find the
# fonts-wine files by itself), the classic look, no crash dialog that would hang a run, and
# Comic Neue where the layout asks for Comic Sans MS.
if [ ! -e "$WINEPREFIX/quarvel-ready" ]; then
  rm -rf "$WINEPREFIX"
  mkdir -p "$work"
  WINEDLLOVERRIDES="mscoree=;mshtml=" wineboot -i >/dev/null 2>&1  # no offer to fetch Mono or Gecko
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
  wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' /v ThemeActive /d 0 /f >/dev/null
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Comic Sans MS' /d 'Comic Neue' /f >/dev/null
  wineserver -w
  touch "$WINEPREFIX/quarvel-ready"
fi

# Settings take effect in a fresh Wine session.
windows_version() {
  wine reg add 'HKCU\Software\Wine' /v Version /d "$1" /f >/dev/null
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "${2:-96}" /f >/dev/null
  wineserver -k 2>/dev/null || true
  wineserver -w
}

probe() { wine "$probe" "$@" | tr -d '\r'; }

# Starts a program in the background: its status lands in $out/NAME.status.
start() {
  local name=$1
  shift
  ( set +e; wine "$@" >"$out/$name.stdout" 2>"$out/$name.stderr"; echo $? >"$out/$name.status" ) &
}

finished() {  # NAME [SECONDS]: waits for the program's end, prints its status
  local waited=0
  while [ ! -s "$out/$1.status" ]; do
    sleep 0.2
    waited=$((waited + 1))
    [ $waited -lt $((${2:-20} * 5)) ] || { echo "timeout"; return; }
  done
  cat "$out/$1.status"
}

click() { xdotool mousemove "$1" "$2" click 1; }

until_probe() {  # EXPECTED COMMAND...: polls until the probe answers EXPECTED
  local expected=$1 i
  shift
  for i in $(seq 50); do
    [ "$(probe "$@")" = "$expected" ] && return 0
    sleep 0.1
  done
  return 1
}

# In the open window: the chipset page, then a click on "CPU Latency Timer", ticked on the chip.
untick_clt() {
  local x y
  read -r x y < <(probe tab 2)
  click "$x" "$y"
  until_probe 2 page || fail "the chipset page does not show"
  read -r x y < <(probe centre CLTcb)
  click "$x" "$y"
  until_probe 0 checked CLTcb || fail "\"CPU Latency Timer\" does not show unticked after the click"
}

# The 256 bytes of 00:00.0 of an lspci dump, one "offset value" a line.
dump_bytes() {
  awk 'function hex(h,  i, v) { for (i = 1; i <= length(h); i++) v = v * 16 + index("0123456789abcdef", substr(h, i, 1)) - 1; return v }
       /^[0-9a-f][0-9a-f]: / { for (i = 2; i <= NF; i++) printf "%02x %s\n", hex(substr($1, 1, 2)) + i - 2, $i; n += NF - 1 }
       END { if (n != 256) print "not a whole dump: " n " bytes" }' "$1"
}

emulated_window() {
  local sim=$programs/i815quarvel-sim.exe image=$out/image.dump
  windows_version winxp
  probe default-dump "$image"

  start missing "$sim" "$out/no-such.dump"
  local status
  status=$(finished missing)
  if [ "$status" = 2 ] && grep -q "no-such.dump" "$out/missing.stderr"; then
    pass "a DUMP that cannot be read: status 2 and a message naming it"
  else
    fail "a DUMP that cannot be read: status $status, stderr: $(cat "$out/missing.stderr")"
  fi

  # Start and close alone.
  start idle "$sim" --save "$out/idle.dump" "$image"
  probe wait
  probe places >"$out/places-96.txt" && pass "places at 96 dpi: $(tail -n 1 "$out/places-96.txt")" ||
    fail "places at 96 dpi:$(echo; cat "$out/places-96.txt")"
  probe close
  status=$(finished idle)
  if [ "$status" = 0 ] && cmp -s <(dump_bytes "$image") <(dump_bytes "$out/idle.dump"); then
    pass "start and close change nothing (status 0)"
  else
    fail "start and close: status $status, changes:$(echo; diff <(dump_bytes "$image") <(dump_bytes "$out/idle.dump"))"
  fi

  # The four pages, a click on a check box, the About text.
  start clicked "$sim" --save "$out/clicked.dump" "$image"
  probe wait
  local page x y
  for page in 1 2 3 0; do
    read -r x y < <(probe tab $page)
    click "$x" "$y"
    if until_probe $page page; then
      sleep 0.3
      import -window root "$out/page-$page.png"
    else
      fail "a click on tab $page does not show page $page"
    fi
  done
  if [ "$(md5sum "$out"/page-*.png | cut -d' ' -f1 | sort -u | wc -l)" = 4 ]; then
    pass "all four pages shown: $out/page-*.png"
  else
    fail "the four screenshots are not four different pages"
  fi

  untick_clt

  read -r x y < <(probe tab 0)
  click "$x" "$y"
  until_probe 0 page || fail "the About page does not show"
  read -r x y < <(probe centre AboutRC)
  click "$x" "$y"
  xdotool key ctrl+a ctrl+c
  sleep 0.5
  xclip -selection clipboard -o >"$out/copied.txt" 2>/dev/null || true
  probe about "$out/about.txt"
  if [ -s "$out/about.txt" ] && cmp -s <(tr -d '\r' <"$out/copied.txt") "$out/about.txt"; then
    pass "the About text copied with Ctrl+A, Ctrl+C equals the form core's ($(wc -l <"$out/about.txt") lines)"
  else
    fail "the About text copied out differs from the form core's:$(echo; diff <(tr -d '\r' <"$out/copied.txt") "$out/about.txt" | head -20)"
  fi

  probe close
  status=$(finished clicked)
  # CLT is bit 6 of dword 0x50: the byte at 0x50 loses 0x40, nothing else changes.
  local changes
  changes=$(diff <(dump_bytes "$image") <(dump_bytes "$out/clicked.dump") | grep '^[<>]' | tr '\n' ' ' || true)
  if [ "$status" = 0 ] && [ "$changes" = "< 50 44 > 50 04 " ]; then
    pass "a click on \"CPU Latency Timer\" clears bit 6 of dword 0x50 and nothing else"
  else
    fail "the click on \"CPU Latency Timer\": status $status, changes: ${changes:-none}"
  fi

  # A chipset in GFX mode: the warning, a message box of the program's own kind, comes before
  # the window, which then shows as usual.
  sed 's/^50: 44 02 /50: 44 03 /' "$image" >"$out/gfx.dump"
  start gfx "$sim" "$out/gfx.dump"
  local seen
  seen=$(probe message)
  if [ "$seen" = "title: Error
no icon
text: Warning: your i815 chipset is running in GFX mode.
(The chipset uses its internal graphic device)
Some tweaks may work unreliably !!!" ] && probe wait 10; then
    pass "GFX mode: the warning before the window, then the window"
  else
    fail "GFX mode: saw$(echo; echo "$seen")"
  fi
  probe close
  status=$(finished gfx)
  [ "$status" = 0 ] || fail "the window in GFX mode ended with status $status"

  # The same layout on a 120-dpi screen, the one it was drawn for.
  windows_version winxp 120
  start dpi120 "$sim"
  probe wait
  probe places >"$out/places-120.txt" && pass "places at 120 dpi: $(tail -n 1 "$out/places-120.txt")" ||
    fail "places at 120 dpi:$(echo; cat "$out/places-120.txt")"
  import -window root "$out/about-120dpi.png"
  probe close
  status=$(finished dpi120)
  [ "$status" = 0 ] || fail "the window at 120 dpi ended with status $status"
}

# The message box that the program shows before its window: title, icon, text, and the window.
expect_message() {  # PROGRAM-NAME TITLE ICON TEXT STATUS
  local name=$1 title=$2 icon=$3 text=$4 status=$5 seen shown
  seen=$(probe message)
  shown=$(probe shown)
  local expected="title: $title
$icon
text: $text"
  if [ "$seen" = "$expected" ]; then
    pass "the message box: \"$text\", title \"$title\", $icon"
  else
    fail "the message box: expected$(echo; echo "$expected"), saw$(echo; echo "$seen")"
  fi
  [ "$shown" = 0 ] && pass "the window was never shown" || fail "the window was shown"
  local ended
  ended=$(finished "$name")
  [ "$ended" = "$status" ] && pass "status $status" || fail "status $ended, not $status"
}

# What the window and i815ctl.exe say on Windows 2000 and XP without the driver.
not_installed="The driver i815quarvel.sys, through which Windows 2000 and XP let programs reach the chip, is not \
installed. An administrator installs it once, in the folder of the zip, with the command: i815ctl driver install"

real_window_nt() {
  windows_version winxp
  start real "$programs/i815quarvel.exe"
  expect_message real "i815 Quarvel" icon "$not_installed." 1
}

real_window_98() {
  windows_version win98
  start real "$programs/i815quarvel.exe"
  expect_message real "Error" "no icon" "Not an i815 Chipset." 2

  start sim98 "$programs/i815quarvel-sim.exe"
  probe wait
  probe places >"$out/places-98.txt" && pass "the emulated window under Windows 98: $(tail -n 1 "$out/places-98.txt")" ||
    fail "places under Windows 98:$(echo; cat "$out/places-98.txt")"
  import -window root "$out/windows-98.png"
  probe close
  local status
  status=$(finished sim98)
  [ "$status" = 0 ] || fail "the emulated window under Windows 98 ended with status $status"
}

# Runs i815ctl of both systems in $out/linux and $out/windows on the same arguments, with the
# same input; compares status, output, messages and the files named after the arguments.
# What i815ctl.exe says goes into a file in Windows-1252, what the Linux build says in UTF-8: the
# Linux build's status.txt, out.txt and err.txt are compared as Windows-1252. A FILE named is a
# file's bytes on both (a file the programs wrote, or out.txt of save -), compared as it is.
same_as_linux() {  # INPUT FILE... -- ARGS...
  local input=$1 files=() texts=() ran status_l status_w f
  shift
  while [ "$1" != -- ]; do files+=("$1"); shift; done
  shift
  ran="i815ctl $*"
  for f in status.txt out.txt err.txt; do
    [[ " ${files[*]} " == *" $f "* ]] || texts+=("$f")
  done
  (cd "$out/linux" && set +e; "$linux_ctl" "$@" <"$input" >out.txt 2>err.txt; echo $? >status.txt)
  (cd "$out/windows" && set +e; wine "$programs/../ctl/i815ctl.exe" "$@" <"$input" >out.txt 2>err.txt; echo $? >status.txt)
  local differs="" linux_bytes
  for f in "${texts[@]}" "${files[@]}"; do
    linux_bytes=(cat)
    [[ " ${texts[*]} " == *" $f "* ]] && linux_bytes=(iconv -f UTF-8 -t WINDOWS-1252)
    if ! cmp -s <(tr -d '\r' <"$out/linux/$f" | "${linux_bytes[@]}" | sed 's/ on [0-9-]* [0-9:]*\.$/ on DATE./') \
                <(tr -d '\r' <"$out/windows/$f" | sed 's/ on [0-9-]* [0-9:]*\.$/ on DATE./'); then
      differs+=" $f"
      diff <(tr -d '\r' <"$out/linux/$f" | "${linux_bytes[@]}") <(tr -d '\r' <"$out/windows/$f") | head -10 || true
    fi
  done
  if [ -z "$differs" ]; then
    pass "$ran: the same as on Linux (status $(cat "$out/linux/status.txt"))"
  else
    fail "$ran: differs from Linux in$differs"
  fi
}

ctl() {
  [ -x "$linux_ctl" ] || { fail "no Linux i815ctl to compare with"; return; }
  windows_version winxp
  mkdir -p "$out/linux" "$out/windows"
  local none=/dev/null no=$out/no.txt
  echo no >"$no"
  probe default-dump "$out/default.dump"
  printf 'cas = 3 clocks\nbnr = off\n' >"$out/linux/mine.conf"
  printf 'cas = 4 clocks\nras = 2 clocks\nbnr\nfoo = 1\n' >"$out/linux/bad.conf"
  cp "$out/linux/mine.conf" "$out/linux/bad.conf" "$out/windows/"

  same_as_linux $none -- --emulated show
  same_as_linux $none -- --emulated get cas ras sms agpmode
  same_as_linux $none -- --emulated dump
  same_as_linux $none set.dump -- --emulated --save-emulated set.dump set --force "cas=3 clocks" amtt=64 bnr=off
  same_as_linux $none -- --emulated set amtt=33
  same_as_linux $none saved.conf -- --emulated save saved.conf
  same_as_linux $none -- check saved.conf
  same_as_linux $none -- check bad.conf
  same_as_linux $none -- check missing.conf
  # The zip's sample profile, its settings taken out of their comments: words both programs know.
  sed 's/^# \([a-z0-9]* = \)/\1/' "$(dirname "$0")/../../data/windows/sample.conf" >"$out/linux/sample-on.conf"
  cp "$out/linux/sample-on.conf" "$out/windows/"
  same_as_linux $none -- check sample-on.conf
  same_as_linux $none applied.dump -- --emulated=set.dump --save-emulated applied.dump apply saved.conf
  same_as_linux $none -- --emulated apply --dry-run mine.conf
  same_as_linux $none applied2.dump -- --emulated --save-emulated applied2.dump apply mine.conf
  same_as_linux "$no" tried.dump -- --emulated --save-emulated tried.dump try --force "cas=3 clocks"
  same_as_linux "$no" -- --emulated try "cas=3 clocks"  # answered from a file: --force needed
  same_as_linux $none -- --emulated frobnicate
  # The warnings and --force, JSON, and - as standard input and output.
  local risky=$out/risky.conf
  printf 'agpfw = on\ncas = 2\nsms = 7.8us\n' >"$risky"
  same_as_linux $none refused.dump -- --emulated --save-emulated refused.dump set agpfw=on cas=3 ras=3
  same_as_linux $none forced.dump -- --emulated --save-emulated forced.dump set --force cas=3 agpfw=on
  same_as_linux $none -- --emulated show --json
  same_as_linux $none -- --emulated get --json cas agpmode thrlock
  same_as_linux "$risky" -- check -
  same_as_linux "$risky" risky.dump -- --emulated --save-emulated risky.dump apply -
  same_as_linux $none out.txt -- --emulated save -
  same_as_linux $none -- --emulated dump -
  # list, diff and its statuses, and their JSON.
  printf 'sms = 7.8us\ncas = 2\n' >"$out/linux/sms.conf"
  cp "$out/linux/sms.conf" "$out/windows/"
  same_as_linux $none -- --emulated list sms cas
  same_as_linux $none -- --emulated diff sms.conf
  same_as_linux $none -- --emulated diff --json sms.conf
  same_as_linux $none -- --emulated diff -q bad.conf
  same_as_linux $none -- check --json bad.conf
  local said status

  # The µ of sms in the code page of where it goes: Windows-1252 in a pipe; on a console, the
  # console's output code page, which Wine's console turns back into the UTF-8 of the terminal
  # that script(1) gives it (UTF-8 taken for the code page, 437 or 850, would show "┬╡s"). On
  # standard error, the value "9µs" given back: Wine hands it over in the ANSI code page, so its
  # µ is no UTF-8 and goes through that code page. Both texts begin their line, where the
  # console's width cannot part them.
  local micro=$'Refresh interval: 100 Mhz - 15.6 \xB5s 133 Mhz - 11.7 \xB5s'
  said=$(wine "$programs/../ctl/i815ctl.exe" --emulated get sms | tr -d '\r') || true
  if [ "$said" = "$micro" ]; then
    pass "i815ctl get sms through a pipe: \"µs\" as Windows-1252's byte 0xB5"
  else
    fail "i815ctl get sms through a pipe: $(printf '%s' "$said" | od -An -c | head -3)"
  fi
  said=$(cd "$out" && LC_ALL=C.UTF-8 script -qec "wine '$programs/../ctl/i815ctl.exe' --emulated get sms; \
           wine '$programs/../ctl/i815ctl.exe' --emulated set sms=9µs" /dev/null </dev/null | tr -d '\r') || true
  if [[ "$said" == *"Refresh interval: 100 Mhz - 15.6 µs 133 Mhz - 11.7 µs"*'i815ctl: sms: "9µs" is not a value'* &&
        "$said" != *"┬╡"* && "$said" != *"Âµ"* ]]; then
    pass "i815ctl get sms and a refused set on a console: \"µs\" on standard output and standard error"
  else
    fail "i815ctl get sms and a refused set on a console: $said"
  fi

  # try's answer through a pipe: "yes" in time, and a pipe that stays silent past the deadline.
  # The silent pipe is a FIFO whose writing end this shell holds until both programs have run,
  # so it never reaches its end however long Wine takes to start.
  local answer silent=$out/silent.fifo
  mkfifo "$silent"
  exec 7<>"$silent"
  for answer in yes silent; do
    local l w
    if [ $answer = yes ]; then
      l=$(echo yes | "$linux_ctl" --emulated try --seconds 1 --force cas=3 2>&1 | tr -d '\r'; echo "status ${PIPESTATUS[1]}")
      w=$(echo yes | wine "$programs/../ctl/i815ctl.exe" --emulated try --seconds 1 --force cas=3 2>&1 | tr -d '\r'; echo "status ${PIPESTATUS[1]}")
    else
      l=$("$linux_ctl" --emulated try --seconds 1 --force cas=3 <"$silent" 7>&- 2>&1 | tr -d '\r'; echo "status ${PIPESTATUS[0]}")
      w=$(wine "$programs/../ctl/i815ctl.exe" --emulated try --seconds 1 --force cas=3 <"$silent" 7>&- 2>&1 | tr -d '\r'; echo "status ${PIPESTATUS[0]}")
    fi
    if [ "$l" = "$w" ]; then
      pass "try answered through a pipe ($answer): the same as on Linux ($(tail -n 2 <<< "$l" | head -n 1))"
    else
      fail "try answered through a pipe ($answer):$(echo; diff <(echo "$l") <(echo "$w"))"
    fi
  done
  exec 7>&-

  # Ctrl+C during try's question (Wine turns SIGINT into the console's Ctrl+C): the undo.
  local pid cas_warning="cas = 3 clocks: changing the CAS latency may hang the machine"
  ( set +e; sleep 5 | wine "$programs/../ctl/i815ctl.exe" --emulated --save-emulated "$out/ctrl-c.dump" try --seconds 4 --force \
      "cas=3 clocks" >"$out/ctrl-c.out" 2>"$out/ctrl-c.err"; echo "${PIPESTATUS[1]}" >"$out/ctrl-c.status" ) &
  for _ in $(seq 50); do
    grep -q "Keep these settings" "$out/ctrl-c.out" 2>/dev/null && break
    sleep 0.1
  done
  pid=$(pgrep -P $! -f 'i815ctl.exe' | head -n 1 || true)
  [ -z "$pid" ] || kill -INT "$pid"
  wait
  said=$(tr -d '\r' <"$out/ctrl-c.err")
  if [ "$(cat "$out/ctrl-c.status")" = 1 ] && [ "$said" = "i815ctl: warning: $cas_warning"$'\n'"i815ctl: interrupted by Ctrl+C; undone: cas back to 2 clocks" ] &&
     cmp -s <(dump_bytes "$out/ctrl-c.dump") <(dump_bytes "$out/default.dump"); then
    pass "Ctrl+C during try's question: undone, status 1"
  else
    fail "Ctrl+C during try's question: status $(cat "$out/ctrl-c.status"), said: $said"
  fi

  # The boot guard's marker of an emulated chip lies beside its dump: an apply that did not see
  # the machine through leaves it, and the next apply --boot writes nothing.
  mkdir -p "$out/boot"
  printf 'bnr = off\n' >"$out/boot/mine.conf"
  cp "$out/default.dump" "$out/boot/start.dump"
  echo "apply of mine.conf started earlier" >"$out/boot/start.dump.apply-in-progress"
  said=$(cd "$out" && wine "$programs/../ctl/i815ctl.exe" --emulated=boot/start.dump --save-emulated boot/after.dump \
           apply --boot 'boot\mine.conf' 2>&1 | tr -d '\r') && status=0 || status=$?
  if [ "$status" = 1 ] && [[ "$said" == *"(apply of mine.conf started earlier)"*'del "boot\start.dump.apply-in-progress"'* ]] &&
     cmp -s <(dump_bytes "$out/boot/after.dump") <(dump_bytes "$out/default.dump"); then
    pass "apply --boot with the marker beside the dump: nothing written, status 1, the marker named"
  else
    fail "apply --boot with the marker beside the dump: status $status, said: $said"
  fi

  # The real chip: Windows XP refuses the port instruction, Windows 98 answers all ones.
  said=$(wine "$programs/../ctl/i815ctl.exe" --ports show 2>&1 >/dev/null | tr -d '\r') && status=0 || status=$?
  if [ "$status" = 1 ] && [[ "$said" == "i815ctl: Privileged instruction; NT-family Windows"* ]]; then
    pass "i815ctl --ports show under Windows XP: \"Privileged instruction\" with advice, status 1"
  else
    fail "i815ctl --ports show under Windows XP: status $status, said: $said"
  fi
  windows_version win98
  said=$(wine "$programs/../ctl/i815ctl.exe" show 2>&1 >/dev/null | tr -d '\r') && status=0 || status=$?
  if [ "$status" = 2 ] && [[ "$said" == *"not an i815"* || "$said" == *"Not an i815"* ]]; then
    pass "i815ctl show under Windows 98: refused as not an i815 ($said), status 2"
  else
    fail "i815ctl show under Windows 98: status $status, said: $said"
  fi

  # The real chip's marker lies beside the profile: there, it stops the apply before the chip is
  # looked at; without it, the refused bridge takes away the marker that the apply made.
  echo "apply of mine.conf started earlier" >"$out/boot/apply-in-progress"
  said=$(cd "$out" && wine "$programs/../ctl/i815ctl.exe" apply --boot 'boot\mine.conf' 2>&1 | tr -d '\r') &&
    status=0 || status=$?
  if [ "$status" = 1 ] && [[ "$said" == *"(apply of mine.conf started earlier)"*'del "boot\apply-in-progress"'* ]]; then
    pass "apply --boot on the ports with the marker beside the profile: status 1, the marker named"
  else
    fail "apply --boot on the ports with the marker beside the profile: status $status, said: $said"
  fi
  rm "$out/boot/apply-in-progress"
  said=$(cd "$out" && wine "$programs/../ctl/i815ctl.exe" apply --boot 'boot\mine.conf' 2>&1 | tr -d '\r') &&
    status=0 || status=$?
  if [ "$status" = 2 ] && [ ! -e "$out/boot/apply-in-progress" ]; then
    pass "apply --boot on the ports of a bridge that is not an i815: status 2, no marker left"
  else
    fail "apply --boot on the ports of a bridge that is not an i815: status $status, said: $said"
  fi
}

# A command's standard output and standard error, without carriage returns, and "status N".
outcome() {
  local status
  "$@" >"$out/outcome.out" 2>"$out/outcome.err" && status=0 || status=$?
  tr -d '\r' <"$out/outcome.out"
  tr -d '\r' <"$out/outcome.err"
  echo "status $status"
}

zip_ctl() { outcome wine "$out/zip/i815ctl.exe" "$@"; }

driver() {
  [ -x "$linux_ctl" ] || { fail "no Linux i815ctl to compare with"; return; }
  windows_version winxp
  local zip=$out/zip said status x y changes
  local installed="C:\\windows\\system32\\drivers\\i815quarvel.sys"
  local file=$WINEPREFIX/drive_c/windows/system32/drivers/i815quarvel.sys
  mkdir -p "$zip" "$out/linux"
  cp "$programs/i815quarvel.exe" "$programs/../ctl/i815ctl.exe" "$zip/"
  cp "$(dirname "$extra")/i815quarvel-test-chip.sys" "$zip/i815quarvel.sys"
  wine "$zip/i815ctl.exe" driver remove >/dev/null 2>&1 || true  # left by a run that stopped halfway

  said=$(zip_ctl driver status)
  [ "$said" = "The driver i815quarvel: not installed (an administrator installs it: i815ctl driver install)
status 0" ] && pass "driver status without the driver" || fail "driver status without the driver: $said"
  said=$(zip_ctl show)
  [ "$said" = "i815ctl: $not_installed
status 1" ] && pass "i815ctl show without the driver names the command" || fail "i815ctl show without the driver: $said"
  start missing "$zip/i815quarvel.exe"
  expect_message missing "i815 Quarvel" icon "$not_installed." 1

  # Installed and started. Right after the Wine session starts, its service manager may still
  # hold its database locked (error 1055): the install is tried again then.
  for _ in $(seq 10); do
    said=$(zip_ctl driver install)
    [[ "$said" == *"database is locked"* ]] || break
    sleep 1
  done
  [ "$said" = "Installed $installed as the service i815quarvel, started on demand, and started it
status 0" ] && [ -f "$file" ] && pass "driver install" || fail "driver install: $said"
  [ "$(zip_ctl driver status | head -n 1)" = "The driver i815quarvel: installed, running" ] ||
    fail "driver status after the install: $(zip_ctl driver status)"

  # Through the driver as i815ctl --emulated on Linux, which keeps its chip in chip.dump.
  probe default-dump "$out/linux/chip.dump"
  local args
  for args in "show" "get cas ras sms agpmode" "dump" "set --force cas=3 amtt=64 bnr=off" "set agpmode=3" "dump" \
              "show --json"; do
    # shellcheck disable=SC2086
    said=$(cd "$out/linux" && outcome "$linux_ctl" --emulated=chip.dump --save-emulated chip.dump $args)
    # shellcheck disable=SC2086
    if [ "$(zip_ctl $args)" = "$said" ]; then
      pass "i815ctl.exe $args through the driver: as on Linux ($(tail -n 1 <<< "$said"))"
    else
      fail "i815ctl.exe $args through the driver differs from Linux:$(echo; diff <(echo "$said") <(zip_ctl $args))"
    fi
  done

  # The window's click: exactly CLT, bit 6 of dword 0x50.
  wine "$zip/i815ctl.exe" dump | tr -d '\r' >"$out/before.dump"
  start clicked "$zip/i815quarvel.exe"
  probe wait
  untick_clt
  probe close
  status=$(finished clicked)
  wine "$zip/i815ctl.exe" dump | tr -d '\r' >"$out/after.dump"
  changes=$(diff <(dump_bytes "$out/before.dump") <(dump_bytes "$out/after.dump") | grep '^[<>]' | tr '\n' ' ' || true)
  if [ "$status" = 0 ] && [ "$changes" = "< 50 44 > 50 04 " ]; then
    pass "the window through the driver: a click on \"CPU Latency Timer\" clears bit 6 of dword 0x50 and nothing else"
  else
    fail "the window's click through the driver: status $status, changes: ${changes:-none}"
  fi

  # The driver's own refusals, through its device.
  said=$(wine "$extra" driver 2>&1 | tr -d '\r') && pass "access_test driver" || fail "access_test driver"
  echo "$said" | sed 's/^/  /'

  # Stopped, it is started by the program that needs it, on a fresh chip.
  wine net stop i815quarvel >/dev/null 2>&1 || true
  [ "$(zip_ctl driver status | head -n 1)" = "The driver i815quarvel: installed, stopped (the programs start it for an administrator)" ] ||
    fail "driver status after net stop: $(zip_ctl driver status)"
  said=$("$linux_ctl" --emulated get cas amtt bnr 2>&1; echo "status $?")
  [ "$(zip_ctl get cas amtt bnr)" = "$said" ] && pass "a stopped driver started by i815ctl get, its chip fresh" ||
    fail "i815ctl get on a stopped driver: $(zip_ctl get cas amtt bnr)"

  said=$(zip_ctl driver remove)
  [ "$said" = "Stopped the driver i815quarvel, removed its service and deleted $installed
status 0" ] && [ ! -e "$file" ] && pass "driver remove" || fail "driver remove: $said"

  # The real driver on Wine's HAL, whose bus-data routines answer with no bytes.
  cp "$programs/../driver/i815quarvel.sys" "$zip/i815quarvel.sys"
  said=$(zip_ctl driver install)
  [[ "$said" == *"status 0" ]] || fail "driver install of the real driver: $said"
  local no_space="The system gave the driver i815quarvel no PCI configuration space for 00:00.0 (its HAL answered \
with no bytes); nothing was written"
  said=$(zip_ctl show)
  [ "$said" = "i815ctl: $no_space
status 1" ] && pass "i815ctl show on Wine's HAL: no configuration space, status 1" || fail "i815ctl show on Wine's HAL: $said"
  start hal "$zip/i815quarvel.exe"
  expect_message hal "i815 Quarvel" icon "$no_space." 1
  zip_ctl driver remove >/dev/null
}

access() {  # VERSION FOR-WINE
  windows_version "$2"
  local result
  result=$(wine "$extra" "$1" 2>&1 | tr -d '\r') && pass "access_test $1" || fail "access_test $1"
  echo "$result" | sed 's/^/  /'
}

files_check() {  # FILES-TEST
  windows_version winxp
  local result
  result=$(cd "$out" && wine "$extra" 2>&1 | tr -d '\r') && pass "files_test" || fail "files_test"
  echo "$result" | sed 's/^/  /'
}

case $test in
  emulated-window) emulated_window ;;
  real-window-nt) real_window_nt ;;
  real-window-98) real_window_98 ;;
  ctl) ctl ;;
  access-nt) access nt winxp ;;
  access-98) access 98 win98 ;;
  files) files_check ;;
  driver) driver ;;
  *) echo "wine-test.sh: unknown test $test" >&2; exit 2 ;;
esac
[ $failures -eq 0 ] || { echo "$failures failed"; exit 1; }
