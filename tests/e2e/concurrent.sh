#!/bin/bash
# sw53115 writers at once on one simulated switch:
#  1. 64 writes, two into each bucket: each ends up in the table with its own
#     fields, and the bucket's other entry stays;
#  2. 48 writes while some writers are killed: every write that exited 0 is in
#     the table, no other entry changed, and nothing hangs;
#  3. (where the lock can be had privately) writes while another process holds
#     the table lock past the bound: each exits 0 and is in the table, or
#     exits 1 with one line naming the lock and touched nothing.
# usage: concurrent.sh SW53115 SWITCHSIM [EMULATOR]
PRIVATE_LOCK=1 SIM_ARGS=1 . "$(dirname "$0")/../lib.sh"
# A switch that takes a while over each access widens the window in which
# unserialised writers would interleave.  Not by much: while 64 writers start
# up on a few cores (emulators, or sanitized programs) the one holding the
# lock may wait its turn past the write's 100 ms bound.  Emulated, every
# access is slow already: no busy fault.
busy=2000
[ -z "$EMU" ] || busy=0
t=(false true)

# Bucket n (n = 0..31, VLAN 9) holds 02:00:00:00:00:NN and its partner
# 02:00:00:00:08:MM, MM = NN ^ 1: flipping bits 11 and 0 of the key keeps
# the bucket.
mac_of() { # WRITER: its MAC
    local n=$(($1 % 32))
    if [ "$1" -lt 32 ]; then printf '02:00:00:00:00:%02x' "$n"; else printf '02:00:00:00:08:%02x' $((n ^ 1)); fi
}
present() { # MAC VID PORT STATIC AGE TC
    grep -qF "$(json_entry "$1" "$2" "$3" "${t[$4]}" "${t[$5]}" true "$6")" "$tmp/json"
}

# --- 1. Two writers into each bucket. ---
sim reset && sim fault busy $busy || exit 1
for n in $(seq 0 63); do
    sw arl write 9 "$(mac_of $n)" 1 $((n % 2)) $((n / 2 % 2)) $((n % 4)) $((n % 16)) 2>"$tmp/err.$n" ||
        echo "FAIL: status $? from the write of $(mac_of $n): $(cat "$tmp/err.$n")" >>"$tmp/failed" &
done
wait
[ ! -e "$tmp/failed" ] || { cat "$tmp/failed"; exit 1; }
sim show --json >"$tmp/json" || exit 1
for n in $(seq 0 63); do
    present "$(mac_of $n)" 9 $((n % 16)) $((n % 2)) $((n / 2 % 2)) $((n % 4))
    check "shared buckets: entry $n" $? "missing or wrong: $(mac_of $n)"
done

# --- 2. Writers killed while they run. ---
sim reset && sim fault busy $busy || exit 1
for n in $(seq 0 15); do sim add "0a:00:00:00:00:$(printf %02x $n)" 9 1 --static || exit 1; done
sim show --json | grep -F '"mac":"0a:' >"$tmp/kept"
pids=()
for n in $(seq 0 47); do
    (sw arl write 9 "$(mac_of $n)" 1 0 0 0 $((n % 16)) && echo "$n" >>"$tmp/done") &
    pids+=($!)
done
for n in $(seq 0 3 47); do
    sleep "0.0$((RANDOM % 10))"
    kill -9 "${pids[$n]}" 2>/dev/null
done
wait
sim show --json >"$tmp/json" || exit 1
for n in $(cat "$tmp/done" 2>/dev/null); do
    present "$(mac_of $n)" 9 $((n % 16)) 0 0 0
    check "killed writers: write $n exited 0" $? "not in the table: $(mac_of $n)"
done
[ "$(grep -F '"mac":"0a:' "$tmp/json")" = "$(cat "$tmp/kept")" ]
check "killed writers: other entries" $? "changed"
[ "$(grep -c '"mac"' "$tmp/json")" -le $((16 + 48)) ] && ! grep '"mac"' "$tmp/json" | grep -vqE '"mac":"(0a|02):00:00:00:0[08]:'
check "killed writers: nothing else in the table" $? "$(cat "$tmp/json")"

# --- 3. The table lock held past the bound. ---
if [ -z "$LOCK" ]; then
    echo "skipped: the lock held past the bound needs root and a mount namespace (unshare -m)"
    finish
    exit
fi
sim reset && sim fault none || exit 1
sw arl read 001122334455 || exit 1 # creates the lock file, mode 0600
flock -x "$LOCK" sleep 9 &
holder=$!
until ! flock -n "$LOCK" true; do sleep 0.05; done
write_n() { # N: writes 02:00:00:00:00:NN, recording its status and stderr
    sw arl write 9 "$(mac_of $1)" 1 0 0 0 3 2>"$tmp/err.$1"
    echo "$1 $?" >>"$tmp/status"
}
for n in $(seq 0 15); do write_n "$n" & done
# A -force batch of 20 lines against the held lock: after the first has
# waited its bound, each of the others makes one try; the whole ends well
# before the holder lets go.
for n in $(seq 40 59); do echo "arl write 9 $(mac_of $n) 1 0 0 0 3"; done >"$tmp/batch"
(
    start=$(date +%s%N)
    sw -force -batch "$tmp/batch" 2>"$tmp/batch.err"
    echo "$? $((($(date +%s%N) - start) / 1000000))" >"$tmp/batch.rc"
) &
sleep 7
for n in $(seq 16 31); do write_n "$n" & done
wait
sim show --json >"$tmp/json" || exit 1
gave_up=0 waited=0
while read -r n rc; do
    if [ "$rc" = 0 ]; then
        waited=$((waited + 1))
        present "$(mac_of $n)" 9 3 0 0 0
        check "lock held: write $n exited 0" $? "not in the table"
    else
        gave_up=$((gave_up + 1))
        ! grep -qF "\"mac\":\"$(mac_of $n)\"" "$tmp/json" && [ "$rc" = 1 ] && [ "$(wc -l <"$tmp/err.$n")" = 1 ] &&
            grep -qF "cannot take the table lock $LOCK: held by process $holder (flock -x $LOCK sleep 9)" "$tmp/err.$n"
        check "lock held: write $n exited $rc" $? "in the table, or stderr: $(cat "$tmp/err.$n")"
    fi
done <"$tmp/status"
read -r rc ms <"$tmp/batch.rc"
[ "$rc" = 1 ] && [ "$ms" -lt 8500 ] && [ "$(wc -l <"$tmp/batch.err")" = 21 ] &&
    [ "$(tail -n 1 "$tmp/batch.err")" = "$SW: $tmp/batch: 0 of 20 commands done" ]
check "lock held: a -force batch of 20" $? "status $rc after $ms ms, $(tail -n 2 "$tmp/batch.err")"
[ "$gave_up" -gt 0 ] && [ "$waited" -gt 0 ] && [ $((gave_up + waited)) = 32 ]
check "lock held: some writes gave up, some waited" $? "$gave_up gave up, $waited waited"
finish
