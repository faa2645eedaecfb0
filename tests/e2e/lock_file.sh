#!/bin/bash
# The table lock's file: anything but a regular file of the user's own,
# reached without a symbolic link, fails the command at once with one line
# naming it and saying what is wrong, and no register is touched; a file of
# the user's own that others may open, or one made under any umask, ends up
# mode 0600.  Runs where the lock can be had privately (root, a mount
# namespace); skipped elsewhere.
# usage: lock_file.sh SW53115 SWITCHSIM [EMULATOR]
PRIVATE_LOCK=1 SIM_ARGS=1 . "$(dirname "$0")/../lib.sh"
if [ -z "$LOCK" ]; then
    echo "skipped: needs root and a mount namespace (unshare -m)"
    exit 77
fi
sim reset || exit 1
cp "$SWITCHSIM_STATE" "$tmp/before"

while IFS='|' read -r what setup reason; do
    [ -n "$what" ] || continue
    rm -rf "$LOCK"
    eval "$setup"
    rm -f "$tmp/log"
    SWITCHSIM_LOG=$tmp/log timeout 10 $EMU "$SW" arl write 1 001122334455 1 0 0 0 1 >"$tmp/out" 2>"$tmp/err"
    rc=$?
    [ "$rc" = 1 ] && [ ! -s "$tmp/out" ] && [ "$(wc -l <"$tmp/err")" = 1 ] &&
        grep -qF "$SW: arl write: cannot take the table lock $LOCK: $(eval echo "\"$reason\"")" "$tmp/err"
    check "$what: status and message" $? "status $rc, stderr: $(cat "$tmp/err")"
    [ ! -s "$tmp/log" ] && cmp -s "$SWITCHSIM_STATE" "$tmp/before"
    check "$what: no register touched" $? "$(head -n 2 "$tmp/log" 2>/dev/null)"
done <<'CASES'
a FIFO|mkfifo -m 600 "$LOCK"|not a regular file: remove it
a symbolic link|touch "$tmp/target"; chmod 600 "$tmp/target"; ln -s "$tmp/target" "$LOCK"|a symbolic link: remove it
another user's file|touch "$LOCK"; chmod 600 "$LOCK"; chown 65534 "$LOCK"|owned by uid 65534, not $(id -u): remove it
a directory|mkdir "$LOCK"|Is a directory
CASES

# Failure lines of processes that share one standard error arrive whole.
rm -rf "$LOCK" && mkfifo -m 600 "$LOCK"
for n in $(seq 40); do sw arl write 1 001122334455 1 0 0 0 1 & done 2>"$tmp/err"
wait
[ "$(grep -cxF "$SW: arl write: cannot take the table lock $LOCK: not a regular file: remove it" "$tmp/err")" = 40 ] &&
    [ "$(wc -l <"$tmp/err")" = 40 ]
check "40 failure lines at once" $? "$(sort "$tmp/err" | uniq -c | head -n 4)"

for setup in "rm -rf $LOCK; umask 0777" "rm -f $LOCK; umask 0" "flock $LOCK true"; do
    (eval "$setup" && sw arl write 1 001122334455 1 0 0 0 1)
    check "$setup: the command runs" $? "status $?"
    [ "$(stat -c '%F %a %u' "$LOCK")" = "regular empty file 600 $(id -u)" ]
    check "$setup: the lock file is 0600" $? "$(stat -c '%F %a %u' "$LOCK")"
done

# As a user other than root, on a switch of their own: a lock file of their
# own that they cannot read (made under umask 0777) is made 0600 and used.
ulock=/tmp/sw53115-65534.lock
as_nobody() { SWITCHSIM_STATE=$tmp/nobody/state setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
chmod 711 "$tmp" && mkdir -m 700 "$tmp/nobody" && chown 65534 "$tmp/nobody" && rm -f "$ulock"
if ! as_nobody $EMU "$SW" --version >/dev/null 2>&1; then
    echo "skipped: the programs cannot be run as uid 65534 from here (a directory on their path)"
else
    as_nobody sh -c "umask 0777 && flock $ulock true" && as_nobody $EMU "$SIM" reset &&
        as_nobody $EMU "$SW" arl write 1 001122334455 1 0 0 0 1 2>"$tmp/err" &&
        [ "$(stat -c '%a %u' "$ulock")" = "600 65534" ]
    check "a mode 0000 lock file of one's own" $? "$(stat -c '%a %u' "$ulock" 2>&1) $(cat "$tmp/err")"
    rm -f "$ulock"
fi
# The holder named from whole lines of /proc/locks, 600 other flocks listed
# after it; its command line shown as text only, cut between characters.
rm -rf "$LOCK"
setsid flock -x "$LOCK" sh -c 'sleep 30' $'\x9b\e[2J' $'\u202e' éééééé >/dev/null 2>&1 &
holder=$!
until grep -q "FLOCK .* $holder " /proc/locks; do sleep 0.05; done
python3 -c 'import fcntl, sys, time, tempfile
fs = [tempfile.TemporaryFile() for _ in range(600)]
for f in fs: fcntl.flock(f, fcntl.LOCK_EX)
open(sys.argv[1], "w").close(); time.sleep(30)' "$tmp/ready" >/dev/null 2>&1 &
others=$!
until [ -e "$tmp/ready" ]; do sleep 0.05; done
timeout 10 $EMU "$SW" arl write 1 001122334455 1 0 0 0 1 2>"$tmp/err"
[ "$(cat "$tmp/err")" = "$SW: arl write: cannot take the table lock $LOCK: held by process $holder (flock -x $LOCK sh -c sleep 30 ??[2J ? éé)" ]
check "the holder among 600 flocks, as text" $? "$(cat -v "$tmp/err")"
# -w: how long to wait for it, 0 not at all.
for w in 0 0.5; do
    start=$(date +%s%N)
    timeout 10 $EMU "$SW" -w $w arl write 1 001122334455 1 0 0 0 1 2>/dev/null
    rc=$? ms=$((($(date +%s%N) - start) / 1000000))
    [ $rc = 1 ] && [ $ms -ge $((${w/./} * 100)) ] && [ $ms -lt $((${w/./} * 100 + 2000)) ]
    check "-w $w against a held lock" $? "status $rc after $ms ms"
done
kill -- -"$holder" "$others"
finish
