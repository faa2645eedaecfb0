#!/bin/bash
# sw53115 on a switch as slow as the router's management bus, each access
# taking 200 us, where a walk holds the table lock in slices and others'
# changes land between them:
#  1. a listing and a save while another process adds, deletes, moves and
#     pins entries: every entry that stays is listed once, as it is; each
#     changed one as it was or as it became, or not at all; no static entry
#     that stays is missing from the save;
#  2. two listings at once both count the whole table;
#  3. SIGTERM ends a monitor in the middle of its first poll at once;
#  4. on a terminal, a walk longer than a second says how far it has got,
#     and erases that; never in JSON, nor off a terminal.
# usage: slow.sh SW53115 SWITCHSIM [EMULATOR]
PRIVATE_LOCK=1 SIM_ARGS=1 . "$(dirname "$0")/../lib.sh"

# 256 entries that stay, on VLANs 1 and 17 (one in four static), and 32
# that change on VLAN 2: adds and deletes (0-7), moves between ports 5 and
# 6 (8-15), pinned and let go (16-31).
stay() { printf '02:00:00:01:%02x:%02x' $(($1 / 256)) $(($1 % 256)); }
moving() { printf '02:00:00:02:00:%02x' "$1"; }
sim reset
for i in $(seq 0 255); do
    echo "arl write $((i % 2 ? 17 : 1)) $(stay "$i") 1 $((i % 4 == 0)) 0 0 $((i % 16))"
done >"$tmp/stay"
for i in $(seq 0 31); do echo "arl write 2 $(moving "$i") 1 0 0 0 5"; done >"$tmp/moving"
sw -batch "$tmp/stay" && sw -batch "$tmp/moving" || exit 1
sim show --json >"$tmp/before"
sim fault slow 200

change() { # PINS: one round of changes, each between two holds of the table lock
    for i in $(seq 0 7); do sim del "$(moving "$i")" 2 && sim add "$(moving "$i")" 2 5; done
    for i in $(seq 8 15); do sim move "$(moving "$i")" 2 $((RANDOM % 2 ? 5 : 6)); done
    for i in $(seq 16 "$1"); do
        sim del "$(moving "$i")" 2 && sim add "$(moving "$i")" 2 5 $([ $((RANDOM % 2)) = 0 ] && echo --static)
    done
}
# (save gives up on a static entry that keeps changing under its listings:
# the pins go on only under the listings)
for what in show save; do
    rm -f "$tmp/done"
    (while [ ! -e "$tmp/done" ]; do change $([ $what = show ] && echo 31 || echo 15) 2>/dev/null; done) &
    changer=$!
    for n in 1 2 3; do
        args=(arl show --json) && [ $what = show ] || args=(arl save)
        sw "${args[@]}" >"$tmp/$what$n" 2>>"$tmp/err" || bad "$what $n while the table changes: $(cat "$tmp/err")"
    done
    touch "$tmp/done"
    wait $changer
done
python3 - "$tmp" <<'PY' && ok || bad "listings while the table changes"
import json, sys
tmp = sys.argv[1]
key = lambda e: (e["mac"], e["vid"])
before = {key(e): {k: v for k, v in e.items() if k not in ("bucket", "bin")}
          for e in json.load(open(f"{tmp}/before"))}
ok = True
for n in (1, 2, 3):
    rows = json.load(open(f"{tmp}/show{n}"))
    seen = {}
    for e in rows:
        seen[key(e)] = seen.get(key(e), 0) + 1
        b = before.get(key(e))
        if b is None:
            print(f"show {n}: an entry that never was: {e}"); ok = False
        elif e["vid"] != 2 and e != b:
            print(f"show {n}: {e} listed, {b} stayed"); ok = False
        elif e["vid"] == 2 and (e["port"] not in (5, 6) or e["age"] or e["tc"]):
            print(f"show {n}: {e} is neither before nor after a change"); ok = False
    for k, b in before.items():
        if k[1] != 2 and seen.get(k) != 1:
            print(f"show {n}: {b} listed {seen.get(k, 0)} times"); ok = False
    saved = open(f"{tmp}/save{n}").read()
    for k, b in before.items():
        if k[1] != 2 and b["static"] and f"arl write {k[1]} {k[0]} 1 1 0 0 {b['port']}\n" not in saved:
            print(f"save {n}: lacks {b}"); ok = False
sys.exit(0 if ok else 1)
PY

# 2. Two listings at once, each taking its turn at the walk.
sw arl show count >"$tmp/count1" &
sw arl show count >"$tmp/count2"
wait
total=$(sim show | tail -n +2 | wc -l)
for n in 1 2; do
    [ "$(tail -n 1 "$tmp/count$n")" = "total: $total entries, $(grep -c '      1   ' <(sim show)) static, of 4096" ]
    check "two listings at once: listing $n counts every entry" $? "$(tail -n 1 "$tmp/count$n"), $total in the table"
done

# 3. A monitor's first poll at 2 ms an access takes seconds; SIGTERM ends it
# within a slice.
sim fault slow 2000
$EMU "$SW" arl monitor >/dev/null 2>"$tmp/err" &
monitor=$!
sleep 1
start=$(date +%s%N)
kill -TERM $monitor
wait $monitor
rc=$?
ms=$((($(date +%s%N) - start) / 1000000))
[ $rc = 0 ] && [ $ms -lt 1000 ]
check "SIGTERM in a monitor's first poll" $? "status $rc after $ms ms: $(cat "$tmp/err")"
script -qec "$EMU $SW arl show count" /dev/null >"$tmp/tty"
grep -q $'walking the table: [0-9]* of 4096 entries\r\e\[Kport' "$tmp/tty"
check "a long walk on a terminal: its progress, erased" $? "$(cat -v "$tmp/tty")"
script -qec "$EMU $SW arl show count --json" /dev/null >"$tmp/tty" && $EMU "$SW" arl show count 2>"$tmp/err" >/dev/null
! grep -q walking "$tmp/tty" "$tmp/err"
check "no progress in JSON, nor off a terminal" $? "$(cat -v "$tmp/tty" "$tmp/err")"
sim fault none
finish
