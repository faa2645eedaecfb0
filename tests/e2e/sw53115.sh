#!/bin/bash
# sw53115 and switchsim as processes on a temporary simulated switch.
# usage: sw53115.sh SW53115 SWITCHSIM [EMULATOR]
SIM_ARGS=1 . "$(dirname "$0")/../lib.sh"

# Runs a command, keeping its status, stdout and stderr.
run() {
    "$@" >"$tmp/out" 2>"$tmp/err"
    rc=$?
}
# expect RC STDOUT STDERR: STDOUT/STDERR are 'empty', 'short', 'full', or
# a grep -E pattern; the state file must be as before unless RC is 'changes'.
expect() {
    local what=$1 want_rc=$2 out=$3 err=$4
    [ "$rc" = "$want_rc" ] || { bad "$what: status $rc, want $want_rc"; return; }
    for pair in "out:$out" "err:$err"; do
        local f=$tmp/${pair%%:*} want=${pair#*:}
        case $want in
        empty) [ ! -s "$f" ] || { bad "$what: ${pair%%:*} not empty: $(head -c 300 "$f")"; return; } ;;
        short) cmp -s "$f" "$tmp/short" || { bad "$what: ${pair%%:*} is not the short usage"; return; } ;;
        full) cmp -s "$f" "$tmp/full" || { bad "$what: ${pair%%:*} is not the full usage"; return; } ;;
        *) grep -qE -- "$want" "$f" || { bad "$what: ${pair%%:*} lacks /$want/: $(head -c 300 "$f")"; return; } ;;
        esac
    done
    ok
}
has_entry() {
    local what=$1
    shift
    sim show --json >"$tmp/json" && grep -qF "$(json_entry "$@")" "$tmp/json" && ok ||
        bad "$what: no entry $(json_entry "$@") in $(cat "$tmp/json")"
}
no_entry() {
    sim show --json >"$tmp/json" && ! grep -qF "\"mac\":\"$2\"" "$tmp/json" && ok ||
        bad "$1: $2 still listed: $(cat "$tmp/json")"
}

sim reset || bad "reset"
printf '\nUsage:\n\nARL Usage:\n\n\t%s arl\n\n' "$SW" >"$tmp/short"
run sw arl
cp "$tmp/out" "$tmp/full"
grep -qF "ARL write with VID: " "$tmp/full" && ok || bad "arl alone gives no full usage"

# (Malformed command lines: bad_input.sh.)
run sw
expect "no arguments" 0 short "^Try .* --help. for every command\.$"

# --- Commands that run: silent, status 0, the switch changed as said. ---
while IFS='|' read -r line check; do
    [ -n "$line" ] || continue
    eval "set -- $line"
    run sw "$@"
    expect "sw53115 $line" 0 empty empty
    eval "$check"
done <<'CASES'
arl write 1 00:11:22:33:44:55 1 0 1 3 7|has_entry write 00:11:22:33:44:55 1 7 false true true 3
arl write 255 AABBCCDDEEFF 1 1 0 7 15|has_entry "write at the limits" aa:bb:cc:dd:ee:ff 255 15 true false true 3
arl mwrite 1 5 001122334466 0|has_entry mwrite 00:11:22:33:44:66 6 5 true false true 0
arl mdel 1 5 001122334466 0|no_entry mdel 00:11:22:33:44:66
arl add 02:00:00:00:00:21 port 4 vlan 9 dynamic tc 3|has_entry add 02:00:00:00:00:21 9 4 false false true 3
arl replace 02:00:00:00:00:21 port 5 vid 9|has_entry "replace pins" 02:00:00:00:00:21 9 5 true false true 0
arl replace 02:00:00:00:00:21 port 5 vid 9 dynamic|has_entry "replace dynamic" 02:00:00:00:00:21 9 5 false false true 0
arl add 02:00:00:00:00:22 age port 2 permanent|has_entry "add, VLAN 0" 02:00:00:00:00:22 0 2 true true true 0
arl del 02:00:00:00:00:21 vlan 9|no_entry "del MAC vlan VID" 02:00:00:00:00:21
arl del 02:00:00:00:00:22|no_entry "del MAC" 02:00:00:00:00:22
arl read 001122334455|true
CASES

# --- What read and search exchanged with the switch, seen in the log, for
# an entry the switch learnt by itself. ---
sim add 02:00:00:00:00:99 9 4 --static --tc 2 || bad "switchsim add"
while IFS='|' read -r line pattern; do
    [ -n "$line" ] || continue
    eval "set -- $line"
    rm -f "$tmp/log"
    SWITCHSIM_LOG=$tmp/log run sw "$@"
    mv "$tmp/log" "$tmp/out"
    expect "log of $line" 0 "$pattern" empty
done <<'CASES'
arl read 9 020000000099|^set page=0x05 offset=0x02 length=6 value=0x020000000099$
arl read 9 020000000099|^set page=0x05 offset=0x08 length=1 value=0x09$
arl read 9 020000000099|^get page=0x05 offset=0x10 length=8 value=0xd004020000000099$
arl read 9 020000000099|^get page=0x05 offset=0x18 length=8 value=0x0{16}$
arl search 02:00:00:00:00:99|^get page=0x05 offset=0x24 length=8 value=0xc124020000000099$
arl search 02:00:00:00:00:99|^get page=0x05 offset=0x2c length=1 value=0x02$
CASES
# A log that cannot be used is said once, and the command goes on.
mkfifo "$tmp/fifo-log"
while IFS='|' read -r log why; do
    SWITCHSIM_LOG=$log run timeout 10 $EMU "$SW" arl read 9 020000000099
    expect "SWITCHSIM_LOG $log" 0 empty "^switchsim: SWITCHSIM_LOG $log: $why; not logging$"
    [ "$(wc -l <"$tmp/err")" = 1 ] && ok || bad "SWITCHSIM_LOG $log: $(cat "$tmp/err")"
done <<CASES
$tmp/fifo-log|No such device or address
$tmp/no/such/dir/log|No such file or directory
$tmp|Is a directory
CASES
sim del 02:00:00:00:00:99 9 && no_entry "switchsim del" 02:00:00:00:00:99
[ "$(sim show --all | wc -l)" = 4097 ] && ok || bad "show --all does not list 4096 bins"

# --- The table as arl show and search port list it, against switchsim's
# own listing: the whole VLAN id, one MAC on VLANs 1, 17 and 33 too. ---
sim reset
run sw arl show
expect "show of an empty table" 0 '^mac +vid port static age valid tc$' empty
[ "$(wc -l <"$tmp/out")" = 1 ] && ok || bad "empty table: more than the header: $(cat "$tmp/out")"
run sw arl show --json
expect "show --json of an empty table" 0 '^\[\]$' empty
for e in "02:00:00:00:00:01 1 3" "02:00:00:00:00:02 17 3 --static --tc 3" "0a:00:00:00:00:03 6 15 --age" \
    "02:00:00:00:08:01 1 4 --static --age --tc 1" "02:00:00:00:00:05 33 5" "02:00:00:00:00:05 1 6" \
    "02:00:00:00:00:05 17 7 --static" "02:00:00:00:00:06 200 8" "02:00:00:00:00:07 255 9"; do
    sim add $e || bad "switchsim add $e"
done
run sw arl show
expect "show" 0 '^02:00:00:00:00:02  17    3      1   0     1  3$' empty
[ "$(wc -l <"$tmp/out")" = 10 ] && ok || bad "show: not a header and 9 rows: $(cat "$tmp/out")"
sim show --json >"$tmp/sim.json"
run sw arl show --json
expect "show --json" 0 . empty
python3 - "$tmp/out" "$tmp/sim.json" <<'PY' && ok || bad "show --json differs from switchsim show --json"
import json, sys
got = json.load(open(sys.argv[1]))
want = json.load(open(sys.argv[2]))
for e in want:
    del e["bucket"], e["bin"]
key = lambda e: (e["mac"], e["vid"])
sys.exit(0 if sorted(got, key=key) == sorted(want, key=key) else 1)
PY
run sw arl search port 3
expect "search port 3" 0 '^02:00:00:00:00:01 ' empty
[ "$(grep -c ' 3 ' "$tmp/out")" = 2 ] && [ "$(wc -l <"$tmp/out")" = 3 ] && ok ||
    bad "search port 3 lists other rows: $(cat "$tmp/out")"
run sw arl search port 15 --json
expect "search port 15 --json" 0 '"mac":"0a:00:00:00:00:03","vid":6,"port":15,"static":false,"age":true' empty
run sw arl search port 10 --json
expect "search port with no entry" 0 '^\[\]$' empty


# show's filters and flush's, against switchsim's own listing: the rows of
# `show FILTERS` are those of the table that pass; after `flush FILTERS`,
# the table holds those that do not (flush without a kind: dynamic only).
cp "$SWITCHSIM_STATE" "$tmp/table"
SW=$SW SIM=$SIM EMU=$EMU TABLE=$tmp/table python3 - <<'PY' && ok || bad "show and flush filters"
import json, os, shlex, shutil, subprocess, sys
emu = shlex.split(os.environ["EMU"])
def run(*args):
    return subprocess.run(emu + list(args), capture_output=True, text=True, check=True).stdout
def table():
    return sorted((e["mac"], e["vid"], e["port"], e["static"])
                  for e in json.loads(run(os.environ["SIM"], "show", "--json")))
def passes(e, f, default_kind):
    kind = f.get("kind", default_kind)
    return (f.get("mac", e[0]) == e[0] and f.get("vid", e[1]) == e[1] and f.get("port", e[2]) == e[2]
            and (kind == "all" or (kind == "static") == e[3]))
def words(f):
    return [w for k, v in f.items() for w in ([v] if k == "kind" else [k, str(v)])]
M = "02:00:00:00:00:05"
filters = [{}, {"mac": M}, {"vid": 17}, {"vid": 33}, {"port": 3}, {"kind": "static"},
           {"kind": "dynamic"}, {"mac": M, "vid": 1}, {"port": 3, "kind": "dynamic"}, {"vid": 99}]
all_entries = table()
for f in filters:
    got = sorted((e["mac"], e["vid"], e["port"], e["static"])
                 for e in json.loads(run(os.environ["SW"], "arl", "show", *words(f), "--json")))
    want = [e for e in all_entries if passes(e, f, "all")]
    if got != want:
        sys.exit(f"show {words(f)}: {got} != {want}")
for f in [{}, {"port": 3}, {"kind": "static"}, {"kind": "all"}, {"mac": M, "vid": 17, "kind": "all"}]:
    shutil.copy(os.environ["TABLE"], os.environ["SWITCHSIM_STATE"])
    run(os.environ["SW"], "arl", "flush", *words(f))
    want = [e for e in all_entries if not passes(e, f, "dynamic")]
    if table() != want:
        sys.exit(f"flush {words(f)}: {table()} != {want}")
PY
cp "$tmp/table" "$SWITCHSIM_STATE"
# del, and del of what is not there.
run sw arl del 17 02:00:00:00:00:05
expect "del" 0 empty empty
no_entry "del" '02:00:00:00:00:05","vid":17'
run sw arl del 17 02:00:00:00:00:05
expect "del of what is not there" 1 empty "^$SW: arl del: no entry for 02:00:00:00:00:05 on VLAN 17$"
cp "$tmp/table" "$SWITCHSIM_STATE"
# Output that cannot be written: a full disk, a closed pipe.
closed_pipe() { # COMMAND...: runs it with stdout a pipe nobody reads
    python3 -c 'import os, subprocess, sys
r, w = os.pipe()
os.close(r)
sys.exit(subprocess.call(sys.argv[1:], stdout=w))' "$@"
}
for line in "arl show" "arl show --json" "arl search port 3"; do
    for how in full pipe; do
        if [ $how = full ]; then
            $EMU "$SW" $line >/dev/full 2>"$tmp/err"
        else
            closed_pipe $EMU "$SW" $line 2>"$tmp/err"
        fi
        rc=$?
        # A reader that has gone is not told; a full disk is.
        [ "$rc" = 1 ] && { { [ $how = pipe ] && [ ! -s "$tmp/err" ]; } || { [ "$(wc -l <"$tmp/err")" = 1 ] &&
            grep -qE "^$SW: arl $(cut -d' ' -f2 <<<"$line"): cannot write the output: No space left on device$" "$tmp/err"; }; } &&
            ok || bad "$line to a $how output: status $rc, stderr: $(cat "$tmp/err")"
    done
done
sim reset

# The listing learns the VLAN plan: on VLANs 1, 200 and 250, one lookup an
# entry once the first entry of each VLAN is found (200 is the 13th
# candidate of its low bits, 250 the 16th), rows as switchsim lists them.
sim reset
for v in 1 200 250; do for i in 1 2 3 4 5 6 7 8 9; do sim add 02:00:00:00:$(printf %02x $v):0$i $v $((i % 3)) $([ $i != 5 ] || echo --static); done; done
rm -f "$tmp/log"
SWITCHSIM_LOG=$tmp/log run sw arl show
expect "show on VLANs 1, 200 and 250" 0 . empty
[ "$(grep -c '^set page=0x05 offset=0x08' "$tmp/log")" = $((27 + 12 + 15)) ]
check "show on VLANs 1, 200 and 250: lookups" $? "$(grep -c '^set page=0x05 offset=0x08' "$tmp/log")"
sim show | tail -n +2 | cut -c 12- | sort >"$tmp/want"
tail -n +2 "$tmp/out" | sort | cmp -s - "$tmp/want"
check "show on VLANs 1, 200 and 250: the rows" $? "$(diff "$tmp/want" "$tmp/out")"
# The words of bridge fdb: vlan is vid, -j is --json; an add of what is there
# changes nothing.
for pair in "arl show vid 200|arl show vlan 200" "arl show port 2 --json|-j arl show port 2"; do
    cmp -s <(sw ${pair%|*}) <(sw ${pair#*|})
    check "$pair" $? "$(sw ${pair#*|} | head -3)"
done
run sw arl add 02:00:00:00:c8:05 port 9 vlan 200
expect "add of an entry there" 1 empty "^$SW: arl add: 02:00:00:00:c8:05 on VLAN 200 exists \(port 2, static, tc 0\)$"
for cmd in get del; do
    run sw arl $cmd 02:00:00:00:c8:05
    expect "$cmd without a VLAN" 1 empty \
        "^$SW: arl $cmd: no entry for 02:00:00:00:c8:05 on VLAN 0; arl show mac 02:00:00:00:c8:05 looks on every VLAN$"
done
# As bridge fdb add: an add pins, a static add takes a learned host's place
# in a full bucket (bin 0's) and says so, a dynamic one does not.
sim add 02:00:00:00:a0:01 3 3 && sim add 02:00:00:00:a8:00 3 7
run sw arl add 02:00:00:00:b0:03 port 2 vlan 3 dynamic
expect "a dynamic add into a full bucket" 1 empty "no room for 02:00:00:00:b0:03"
run sw arl add 02:00:00:00:b0:03 port 2 vlan 3
expect "a static add into a full bucket" 0 empty \
    "^$SW: arl add: deleted learned entry 02:00:00:00:a0:01 on VLAN 3 \(port 3\) to make room$"
run sw arl replace 02:00:00:00:b0:03 port 3 vlan 3
has_entry "add, then replace: static" 02:00:00:00:b0:03 3 3 true false true 0
sim del 02:00:00:00:b0:03 3 && sim del 02:00:00:00:a8:00 3
# show count: the walk alone, its counts those of switchsim's listing.
rm -f "$tmp/log"
SWITCHSIM_LOG=$tmp/log run sw arl show count --json
sim show --json | python3 -c '
import json, sys
e = json.load(sys.stdin)
ports = [{"port": p, "entries": sum(x["port"] == p for x in e), "static": sum(x["port"] == p and x["static"] for x in e)} for p in range(16)]
s = sum(x["static"] for x in e)
print(json.dumps({"total": len(e), "static": s, "dynamic": len(e) - s, "capacity": 4096,
                  "ports": [p for p in ports if p["entries"]]}, separators=(",", ":")))' >"$tmp/want"
cmp -s "$tmp/want" "$tmp/out" && ! grep -q '^set page=0x05 offset=0x08' "$tmp/log"
check "show count --json" $? "$(cat "$tmp/out" "$tmp/want")"
run sw arl show count
expect "show count" 0 "^total: 27 entries, 3 static, of 4096$" empty
run sw arl show count vlan 200 static
expect "show count of one" 0 "^total: 1 entry, 1 static, of 4096$" empty

# --- monitor: the events of changes made between its polls, each change
# made once the poll before it has begun (seen in the access log), and a
# poll of a table that did not change is the walk alone. ---
sim reset && sim add 02:00:00:00:00:0a 1 1
A=02:00:00:00:00:0a B=02:00:00:00:00:0b
rm -f "$tmp/log"
SWITCHSIM_LOG=$tmp/log $EMU "$SW" arl monitor interval 400 --json >"$tmp/events" 2>"$tmp/err" &
monitor=$!
polls() { grep -c '^set page=0x05 offset=0x20' "$tmp/log" 2>/dev/null; }
after() { # N: until N polls have begun since the last change
    until [ "$(polls)" -ge $((seen + $1)) ] || ! kill -0 $monitor 2>/dev/null; do sleep 0.02; done
}
seen=0
for change in "add $B 2 3" "move $B 2 4" "move $B 2 3" "move $B 2 4" "del $A 1" "add $B 2 4 --static"; do
    after 1
    sleep 0.2
    sim $change
    seen=$(polls)
done
after 2 # the poll that saw the last change, and an unchanged one
kill -TERM $monitor
wait $monitor
check "monitor: status" $? "$(cat "$tmp/err")"
python3 - "$tmp/events" <<'PY' && ok || bad "monitor: the events: $(cat "$tmp/events")"
import json, sys
got = [(e["event"], e["mac"][-2:], e["vid"], e["port"], e.get("from"), e["static"], e.get("was"))
       for e in map(json.loads, open(sys.argv[1]))]
want = [("new", "0b", 2, 3, None, False, None), ("move", "0b", 2, 4, 3, False, None),
        ("move", "0b", 2, 3, 4, False, None), ("move", "0b", 2, 4, 3, False, None),
        ("flap", "0b", 2, 4, 3, False, None), ("gone", "0a", 1, 1, None, False, None),
        ("change", "0b", 2, 4, None, True, {"static": False})]
sys.exit(got != want)
PY
# The last two polls saw the same table: the last is the walk alone.
[ "$(sed -n "$(grep -n '^set page=0x05 offset=0x20' "$tmp/log" | tail -n 1 | cut -d: -f1),\$p" "$tmp/log" | grep -c 'offset=0x08')" = 0 ]
check "monitor: an unchanged table's poll makes no lookup" $? "$(tail -n 12 "$tmp/log")"

# --- monitor for a log (flap 2 1): a flap that goes on said again each
# second with its moves, then settled; a stuck switch's polls as fault
# lines, then recovered. ---
sim reset && sim add $A 1 1
rm -f "$tmp/log"
SWITCHSIM_LOG=$tmp/log $EMU "$SW" arl monitor interval 100 flap 2 1 --json >"$tmp/events" 2>"$tmp/err" &
monitor=$!
seen=0
for i in $(seq 1 24) settle stuck none; do
    after 1
    case $i in
    settle) after 14 ;;
    stuck | none) sim fault $i && after 3 ;;
    *) sim move $A 1 $((i % 2 + 1)) ;;
    esac
    seen=$(polls)
done
kill -TERM $monitor
wait $monitor
python3 - "$tmp/events" <<'PY' && ok || bad "monitor for a log: the events: $(cat "$tmp/events")"
import json, sys
ev = [json.loads(l) for l in open(sys.argv[1])]
kinds = [e["event"] for e in ev if e["event"] != "move"]
flaps = [e.get("moves") for e in ev if e["event"] == "flap"]
faults = [e for e in ev if e["event"] == "fault"]
ok = (flaps[0] is None and len(flaps) >= 2 and all(m and m >= 2 for m in flaps[1:])
      and kinds[len(flaps)] == "settled" and kinds[len(flaps) + 1:] == ["fault"] * len(faults) + ["recovered"]
      and faults and all(f["error"] == "the switch did not finish the access within 100 ms" for f in faults))
sys.exit(not ok)
PY

# --- monitor follows the entries of one MAC on VLANs 3, 19 and 35 (the
# walk tells them apart only by lookups): each move once, on the poll after
# it, a del as gone; a change says what it was; a switch stuck for 2 s does
# not end the watch, and a move after it is seen. ---
G=02:99:00:00:00:01
sim reset && for v in 3 19 35; do sim add $G $v 1; done && sim add $A 1 2 --static --tc 2
rm -f "$tmp/log"
SWITCHSIM_LOG=$tmp/log $EMU "$SW" arl monitor interval 100 >"$tmp/events" 2>"$tmp/err" &
monitor=$!
seen=0
for change in "move $G 3 9" "move $G 19 9" "move $G 35 9" "del $G 19" "add $A 1 2" "fault stuck" \
    "fault none" "move $G 3 1"; do
    after 1
    sleep 0.05
    [ "$change" != "fault none" ] || sleep 2
    sim $change
    seen=$(polls)
done
after 2
kill -TERM $monitor
wait $monitor
check "monitor of a group: status" $? "$(cat "$tmp/err")"
sed -E 's/^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} //' "$tmp/events" >"$tmp/got"
printf '%s\n' "move $G vid 3 port 9 from 1 dynamic" "move $G vid 19 port 9 from 1 dynamic" \
    "move $G vid 35 port 9 from 1 dynamic" "gone $G vid 19 port 9 dynamic" \
    "change $A vid 1 port 2 dynamic was static tc 2" "move $G vid 3 port 1 from 9 dynamic" >"$tmp/want"
cmp -s "$tmp/want" "$tmp/got" && grep -q "did not finish" "$tmp/err"
check "monitor of a group: the events" $? "$(diff "$tmp/want" "$tmp/got"; head -3 "$tmp/err")"
sim reset

# --- A switch that is slow, or never finishes. ---
sim fault busy 50
run sw arl write 2 020000000002 1 0 0 0 1
expect "write under busy 50" 0 empty empty
has_entry "write under busy 50" 02:00:00:00:00:02 2 1 false false true 0
for i in 1 2 3 4 5; do sim add 02:00:00:00:01:0$i 1 $i; done
run sw arl show
expect "show under busy 50" 0 '^02:00:00:00:01:05   1    5      0   0     1  0$' empty
[ "$(grep -c '^02:00:00:00:0[01]:0' "$tmp/out")" = 6 ] && ok || bad "show under busy 50: $(cat "$tmp/out")"
sim fault stuck
for line in "arl write 2 020000000003 1 0 0 0 1" "arl show"; do
    run timeout 10 $EMU "$SW" $line
    expect "$line on a stuck switch" 1 empty "^$SW: arl ${line:4:5}: the switch did not finish the access within 100 ms$"
    [ "$(wc -l <"$tmp/err")" = 1 ] && ok || bad "$line on a stuck switch: more than one line on stderr"
done
run timeout 10 $EMU "$SW" arl monitor count 3 interval 100
[ "$rc" = 1 ] && [ "$(grep -c "did not finish" "$tmp/err")" = 3 ]
check "monitor count 3 on a stuck switch: status 1" $? "status $rc, $(cat "$tmp/err")"
sim fault none

# --- switchsim's add and del wait for a write between its read of the
# bucket and its write of both bins, and are not lost to it. ---
for change in "add 02:00:00:00:11:06 1 7" "del 02:00:00:00:11:06 1"; do
    sim reset
    [ "${change%% *}" = add ] || sim add 02:00:00:00:11:06 1 7
    sim fault busy $([ -n "$EMU" ] && echo 20000 || echo 800000)
    sw arl write 1 02:00:00:00:09:05 1 0 0 0 3 2>"$tmp/err" &
    writer=$!
    until sim regs | grep -q '^0x00 rw_ctrl *0x80$' || ! kill -0 $writer 2>/dev/null; do :; done
    sim $change
    check "switchsim $change during a write" $? "status $?"
    wait $writer
    wrote=$?
    sim fault none
    sim show --json >"$tmp/json"
    [ $wrote = 0 ] && grep -qF '"mac":"02:00:00:00:09:05"' "$tmp/json" || [ $wrote = 1 ]
    check "the write beside switchsim $change" $? "status $wrote, $(cat "$tmp/err")"
    [ "$(grep -cF '"mac":"02:00:00:00:11:06"' "$tmp/json")" = "$([ "${change%% *}" = add ] && echo 1 || echo 0)" ]
    check "switchsim $change kept" $? "$(cat "$tmp/json")"
done

# --- State files that are not the simulator's. ---
head -c "$(stat -c %s "$SWITCHSIM_STATE")" /dev/urandom >"$tmp/corrupt"
cp "$tmp/corrupt" "$tmp/corrupt.orig"
SWITCHSIM_STATE=$tmp/corrupt run sw arl write 1 001122334455 1 0 0 0 1
expect "sw53115 on a corrupt state" 1 empty "^switchsim: $tmp/corrupt: .*wrong magic.*SWITCHSIM_STATE"
expect "sw53115 on a corrupt state" 1 empty "^$SW: arl write: set_register page 0x05 offset 0x02 length 6 failed: -1$"
SWITCHSIM_STATE=$tmp/corrupt run sim show
expect "switchsim on a corrupt state" 2 empty "^switchsim: $tmp/corrupt: .*wrong magic"
cmp -s "$tmp/corrupt" "$tmp/corrupt.orig" && ok || bad "corrupt state was changed"
ln -s "$SWITCHSIM_STATE" "$tmp/link"
SWITCHSIM_STATE=$tmp/link run sim show
expect "state through a symbolic link" 2 empty "symbolic link"
if [ "$(id -u)" = 0 ]; then
    cp "$SWITCHSIM_STATE" "$tmp/theirs"
    chown 65534 "$tmp/theirs"
    SWITCHSIM_STATE=$tmp/theirs run sim show
    expect "state of another user" 2 empty "owned by uid 65534"
fi
printf 'short' >"$tmp/short-state"
SWITCHSIM_STATE=$tmp/short-state run sim show
expect "truncated state" 2 empty "size 5 bytes"
SWITCHSIM_STATE=$tmp/short-state run sh -c "$EMU $SIM reset && $EMU $SIM show"
expect "truncated state: reset replaces it" 0 '^bucket bin mac' empty
# Neither blocks, nor is written into, nor leaves anything behind.
mkdir "$tmp/states"
mkfifo "$tmp/states/fifo"
mkdir "$tmp/states/dir"
: >"$tmp/states/empty"
cp "$SWITCHSIM_STATE" "$tmp/states/header"
printf '\x10\x00\x00\x00' | dd of="$tmp/states/header" bs=1 seek=12 conv=notrunc status=none # header size
while IFS='|' read -r name cmd pattern; do
    SWITCHSIM_STATE=$tmp/states/$name run timeout 10 $EMU "$SIM" $cmd
    expect "state file: $name" 2 empty "^switchsim: $tmp/states/$name: $pattern"
done <<'CASES'
fifo|reset|not a regular file
dir|reset|Is a directory
empty|show|size 0 bytes
header|show|the header gives the state 16 bytes, this simulator's have 65848
CASES
[ ! -s "$tmp/states/empty" ] && ok || bad "an empty state file was written into"
(
    trap '' XFSZ
    ulimit -f 32 # 32 KiB: not enough for a state
    SWITCHSIM_STATE=$tmp/states/new $EMU "$SIM" reset 2>"$tmp/err"
)
rc=$?
[ "$rc" = 2 ] && grep -q "^switchsim: $tmp/states/new: File too large" "$tmp/err" &&
    [ "$(ls "$tmp/states")" = "$(printf 'dir\nempty\nfifo\nheader')" ] && ok ||
    bad "state on a full disk: status $rc, $(cat "$tmp/err"), left: $(ls "$tmp/states")"
flock "$SWITCHSIM_STATE" sleep 4 &
sleep 0.3
run timeout 10 $EMU "$SIM" show
expect "state file locked by another process" 2 empty "locked by another process for 2 s"
wait

# --- The state lock word: a holder that is gone is found out, even when
# its pid has been given to another process; a live one fails the access,
# each after 2 s and with one line. ---
forge_lock() { # PID START: the lock word and the holder's start time
    python3 -c 'import struct, sys
with open(sys.argv[1], "r+b") as f:
    f.seek(16)
    f.write(struct.pack("<II", int(sys.argv[2]), int(sys.argv[3])))' "$SWITCHSIM_STATE" "$1" "$2"
}
start_of() { awk '{ print $22 }' "/proc/$1/stat"; }
sleep 30 &
live=$!
kill -STOP $live
python3 -c 'import os, time
pid = os.fork()
if pid == 0:
    os._exit(0)
print(pid, flush=True)
time.sleep(30)' >"$tmp/zombie" &
parent=$!
until [ -s "$tmp/zombie" ]; do sleep 0.05; done
zombie=$(cat "$tmp/zombie")
sim reset
while IFS='|' read -r what pid start rc left pattern; do
    [ -n "$what" ] || continue
    eval "forge_lock $pid $start"
    run sw arl write 1 001122334455 1 0 0 0 1
    expect "state lock: $what" "$rc" empty "$(eval echo "\"$pattern\"")"
    word=$(od -An -tu4 -j16 -N4 "$SWITCHSIM_STATE" | tr -d ' ')
    [ "$word" = "$(eval echo "$left")" ] && ok || bad "state lock: $what: the lock word is $word"
    forge_lock 0 0
done <<'CASES'
a pid now another process's|$live|$(( $(start_of $live) - 100 ))|0|0|held for 2 s by process $live, which is gone
a zombie|$zombie|$(start_of $zombie)|0|0|held for 2 s by process $zombie, which is gone
a forged word|4194304|1|0|0|which is gone; the lock is taken over
a stopped holder|$live|$(start_of $live)|1|$live|held for 2 s by process $live, which is still there; the access fails
CASES
kill -KILL $live $parent
wait 2>/dev/null

# --- switchsim's own arguments. ---
while IFS='|' read -r line pattern; do
    [ -n "$line" ] || continue
    eval "set -- $line"
    run sim "$@"
    expect "switchsim $line" 2 empty "$pattern"
done <<'CASES'
frob|'frob'.*one of show
show --bogus|'--bogus'.*--all or --json
add 0011223344 1 2|'0011223344'.*MAC address
add 001122334455 256 2|'256'.*VLAN id from 0 to 255
add 001122334455 1 16|'16'.*port from 0 to 15
add 001122334455 1 2 --tc 8|'8'.*traffic class from 0 to 7
add 001122334455 1 2 --fast|'--fast'.*--static, --age or --tc N
add|missing MAC: expected add MAC VID PORT
add 001122334455|missing VID: expected add MAC VID PORT
add 001122334455 1|missing PORT: expected add MAC VID PORT
del 001122334455|missing VID: expected del MAC VID
del 001122334455 1 x|'x'.*nothing after del MAC VID
fault busy -1|'-1'.*number of polls
fault busy 4294967296|'4294967296'.*number of polls
fault busy 1000000001|'1000000001'.*number of polls
fault busy|missing N
fault busy 1 2|'2'.*nothing after fault busy N
fault stuck extra|'extra'.*nothing after the fault
fault|missing the fault
fault sometimes|'sometimes'.*fault busy N
reset now|'now'.*no argument
CASES
run sim
expect "switchsim without a command" 2 empty "missing command: expected one of show"
run sim --help
expect "switchsim --help" 0 "^usage: switchsim" empty
for line in "--help" "show" "show --json" "regs"; do
    $EMU "$SIM" $line >/dev/full 2>"$tmp/err"
    rc=$?
    [ "$rc" = 1 ] && [ "$(cat "$tmp/err")" = "switchsim: cannot write the output: No space left on device" ] &&
        ok || bad "switchsim $line >/dev/full: status $rc, $(cat "$tmp/err")"
done

finish
