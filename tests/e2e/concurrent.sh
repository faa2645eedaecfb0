#!/bin/bash
# 64 sw53115 writes at once on one simulated switch: distinct MACs in
# distinct buckets, so each must end up in the table with its own fields.
# usage: concurrent.sh SW53115 SWITCHSIM [EMULATOR]
set -u
SW=$1 SIM=$2 EMU=${3:-}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export SWITCHSIM_STATE=$tmp/state
unset SWITCHSIM_LOG
# A switch that takes a while over each write widens the window in which
# unserialised writers would interleave: about 1.5 ms natively.  Emulated,
# every access is slow already, and a longer fault would push a write past
# its 100 ms bound while 64 emulators share the processor.
busy=20000
[ -z "$EMU" ] || busy=500
$EMU "$SIM" reset && $EMU "$SIM" fault busy $busy || exit 1

# 02:00:00:00:00:NN on VLAN 9: the buckets differ in their low 6 bits.
for n in $(seq 0 63); do
    mac=$(printf '02:00:00:00:00:%02x' "$n")
    $EMU "$SW" arl write 9 "$mac" 1 $((n % 2)) $((n / 2 % 2)) $((n % 4)) $((n % 16)) ||
        echo "FAIL: write of $mac: status $?" >>"$tmp/failed" &
done
wait
[ ! -e "$tmp/failed" ] || { cat "$tmp/failed"; exit 1; }

$EMU "$SIM" show --json >"$tmp/json" || exit 1
passed=0 failed=0
for n in $(seq 0 63); do
    t=(false true)
    want=$(printf '"mac":"02:00:00:00:00:%02x","vid":9,"port":%d,"static":%s,"age":%s,"valid":true,"tc":%d}' \
        "$n" $((n % 16)) "${t[n % 2]}" "${t[n / 2 % 2]}" $((n % 4)))
    if grep -qF "$want" "$tmp/json"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: missing or wrong: $want"
    fi
done
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
