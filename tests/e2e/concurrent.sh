#!/bin/bash
# 64 sw53115 writes at once on one simulated switch: distinct MACs in
# distinct buckets, so each must end up in the table with its own fields.
# usage: concurrent.sh SW53115 SWITCHSIM [EMULATOR]
SIM_ARGS=1 . "$(dirname "$0")/../lib.sh"
# A switch that takes a while over each write widens the window in which
# unserialised writers would interleave: about 1.5 ms natively.  Emulated,
# every access is slow already, and a longer fault would push a write past
# its 100 ms bound while 64 emulators share the processor.
busy=20000
[ -z "$EMU" ] || busy=500
sim reset && sim fault busy $busy || exit 1

# 02:00:00:00:00:NN on VLAN 9: the buckets differ in their low 6 bits.
for n in $(seq 0 63); do
    mac=$(printf '02:00:00:00:00:%02x' "$n")
    sw arl write 9 "$mac" 1 $((n % 2)) $((n / 2 % 2)) $((n % 4)) $((n % 16)) ||
        echo "FAIL: write of $mac: status $?" >>"$tmp/failed" &
done
wait
[ ! -e "$tmp/failed" ] || { cat "$tmp/failed"; exit 1; }

sim show --json >"$tmp/json" || exit 1
for n in $(seq 0 63); do
    t=(false true)
    want=$(json_entry "$(printf '02:00:00:00:00:%02x' "$n")" 9 $((n % 16)) "${t[n % 2]}" \
        "${t[n / 2 % 2]}" true $((n % 4)))
    grep -qF "$want" "$tmp/json"
    check "entry $n" $? "missing or wrong: $want"
done
finish
