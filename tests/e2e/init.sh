#!/bin/bash
# The init script (packaging/) under BusyBox ash, in a chroot laid out like
# the router: /etc/init.d, /etc/default, /var/run, /var/lock and /dev/log,
# served by a syslog stand-in that keeps each message with its priority.
# First boot without a saved file; start with a saved file of three
# entries; reload after the file changed, and after the switch was reset;
# save; the watch: a flap logged at warning, one watch however often it is
# started, status 0 while it runs and 3 after stop, nothing left running.
# Needs root (chroot) and busybox-static; skipped under an emulator.
# usage: init.sh SW53115 SWITCHSIM [EMULATOR]
SIM_ARGS=1 . "$(dirname "$0")/../lib.sh"
src=$(cd "$(dirname "$0")/../.." && pwd)
busybox=$(command -v busybox)
if [ -n "$EMU" ] || [ "$(id -u)" != 0 ] || [ -z "$busybox" ] || ldd "$busybox" >/dev/null 2>&1; then
    echo "skipped: needs root, a static busybox and no emulator"
    exit 77
fi

root=$tmp/root
mkdir -p "$root"/{bin,usr/sbin/switchsim,etc/init.d,etc/default,var/run,var/lock,tmp,dev,proc}
# (a sanitized build reads /proc/self/maps; the mount is this namespace's own)
mount -t proc proc "$root/proc" || exit 1
cp "$busybox" "$root/bin/busybox"
for applet in $("$busybox" --list); do [ -e "$root/bin/$applet" ] || ln -s busybox "$root/bin/$applet"; done
cp "$SW" "$root/usr/sbin/sw53115" && cp "$(dirname "$SW")/switchsim/libswitchsim.so" "$root/usr/sbin/switchsim/"
for lib in $(ldd "$SW" "$root/usr/sbin/switchsim/libswitchsim.so" | awk '$2 == "=>" && $3 ~ /^\// { print $3 } $1 ~ /^\// && $1 !~ /:$/ { print $1 }' | sort -u); do
    mkdir -p "$root$(dirname "$lib")" && cp -L "$lib" "$root$lib"
done
# (where the C library is: $ORIGIN needs a /proc that the chroot lacks)
cp "$(dirname "$SW")/switchsim/libswitchsim.so" "$root$(dirname "$(ldd "$SW" | awk '$1 == "libc.so.6" { print $3 }')")/"
mknod "$root/dev/null" c 1 3 && chmod 666 "$root/dev/null"
sed 's|@SW53115_SYSCONFDIR@|/etc|' "$src/packaging/sw53115.init.in" >"$root/etc/init.d/sw53115"
chmod 755 "$root/etc/init.d/sw53115" && cp "$src/packaging/sw53115.default" "$root/etc/default/sw53115"
python3 -c 'import socket, sys
s = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
s.bind(sys.argv[1])
open(sys.argv[2], "w").close()
with open(sys.argv[3], "a") as log:
    while True:
        log.write(s.recv(4096).decode(errors="replace").rstrip("\n") + "\n")
        log.flush()' "$root/dev/log" "$tmp/syslog.ready" "$tmp/syslog" &
syslogd=$!
trap 'kill $syslogd 2>/dev/null; umount -l "$root/proc"; rm -rf "$tmp"' EXIT
until [ -e "$tmp/syslog.ready" ]; do sleep 0.05; done

export SWITCHSIM_STATE=$root/tmp/state
rc() { # ACTION: the init script in the chroot, as the router's init runs it
    chroot "$root" /bin/env -i SWITCHSIM_STATE=/tmp/state SWITCHSIM_LOG=/tmp/log PATH=/usr/sbin:/bin \
        /bin/sh /etc/init.d/sw53115 "$@"
}
logged() { # PRIORITY TEXT: a message at that priority (daemon facility)
    grep -q "^<$1>.*sw53115: .*$2" "$tmp/syslog"
}
static_rows() { sim show | grep -c '      1   0     1' ; }
save_format() { # MAC...: a saved file of those entries on VLAN 1, port 2
    echo "# sw53115 arl save: the static entries; put them back with sw53115 arl apply FILE"
    for m in "$@"; do echo "arl write 1 $m 1 1 0 0 2"; done
    echo "# end: $# static entries"
}

sim reset
rc start
check "first boot: status 0" $? "$(cat "$tmp/syslog")"
logged 30 "no saved file /etc/sw53115.static yet"
check "first boot: said at info" $? "$(cat "$tmp/syslog")"

save_format 02:00:00:00:00:01 02:00:00:00:00:02 02:00:00:00:00:03 >"$root/etc/sw53115.static"
rc start && [ "$(static_rows)" = 3 ] && logged 30 "applied /etc/sw53115.static: 3 written, 0 pruned"
check "start: the saved entries in" $? "$(sim show; cat "$tmp/syslog")"
save_format 02:00:00:00:00:01 02:00:00:00:00:02 02:00:00:00:00:03 02:00:00:00:00:04 >"$root/etc/sw53115.static"
rc reload && [ "$(static_rows)" = 4 ]
check "reload: the table follows the file" $? "$(sim show)"
sim reset
rc reload && [ "$(static_rows)" = 4 ]
check "reload after the switch was reset: the entries back" $? "$(sim show)"
printf 'arl wirte 1 02:00:00:00:00:05 1 1 0 0 2\n' >>"$root/etc/sw53115.static"
rc reload
[ $? = 1 ] && logged 27 "arl: unknown command 'wirte'"
check "reload of a bad file: status 1, apply's words at err" $? "$(tail -n 3 "$tmp/syslog")"
sim add 02:00:00:00:00:06 1 3 --static
rc save && sw arl save >"$tmp/want" && cmp -s "$tmp/want" "$root/etc/sw53115.static"
check "save: the static entries in the saved file" $? "$(cat "$root/etc/sw53115.static")"

# The watch: a host that keeps moving between two of its polls.
sed -i 's/^SW53115_MONITOR=0/SW53115_MONITOR=1/' "$root/etc/default/sw53115"
sim add 02:00:00:00:00:0a 1 1
rm -f "$root/tmp/log"
rc start && rc start && rc status >/dev/null
check "the watch: started, status 0" $? "$(cat "$tmp/syslog")"
polls() { cat "$root/tmp/log" 2>/dev/null | grep -c '^set page=0x05 offset=0x20'; }
for port in 2 1 2 1; do
    seen=$(polls) n=0
    until [ "$(polls)" -gt "$seen" ] || [ $((n += 1)) -gt 200 ]; do sleep 0.05; done
    sim move 02:00:00:00:00:0a 1 $port
done
for _ in $(seq 100); do logged 28 '"event":"flap"' && break || sleep 0.1; done
logged 28 '"event":"flap","mac":"02:00:00:00:00:0a"'
check "the watch: a flap at warning" $? "$(tail -n 5 "$tmp/syslog")"
in_root() { for p in /proc/[0-9]*; do [ "$(readlink "$p/root")" != "$root" ] || echo "${p#/proc/}"; done; }
[ "$(for p in $(in_root); do tr '\0' ' ' <"/proc/$p/cmdline"; echo; done | grep -c 'arl monitor')" = 1 ]
check "the watch: one, however often started" $? "$(ps -ef | grep -F "sw53115")"
rc stop
rc status >/dev/null
[ $? = 3 ] && [ -z "$(in_root)" ] && [ ! -e "$root/var/run/sw53115.pid" ]
check "stop: status 3, nothing left running" $? "$(in_root)"
finish
