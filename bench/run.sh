#!/bin/bash
# Benchmarks of sw53115 on the simulated switch, printed as one table:
#  a. one `arl read` against /bin/true, the floor for starting a process;
#  b. a search of a full table (4096 valid entries) for an absent MAC;
#  c. `arl show` of that full table (the walk, then a lookup of each entry
#     for its whole VLAN id): time and output size; `arl save` of it;
#  d. register accesses per command, from the access log, against the
#     minimum of the register protocol;
#  e. 1,000 `arl write` commands into an empty table as one `-batch`
#     against 1,000 processes of the same commands;
#  f. on the full table: `show mac MAC` (the walk and the lookups of that
#     MAC's entries only) and `flush port P` (the walk, then a bucket read
#     and a write per entry of the port), register accesses and time;
#  g. `monitor`: a poll of the unchanged full table, and one after 16 of
#     its entries moved: register accesses, and the unchanged poll's time;
#  h. `arl show` of a nearly full table on VLANs 1, 200 and 250, and of one
#     on 16 VLAN ids that share their low 4 bits (5, 21, ... 245): register
#     accesses against the walk and at most one lookup an entry, plus the
#     failed lookups of the first entry of each VLAN (12 for 200, 15 for
#     250; 15 for each of the 16);
#  i. at the router's register speed (every access taking 100 us, then
#     300 us: switchsim fault slow) on 4,048 entries: show count, show and
#     save; the wait of a write (`arl replace ... static` into a bucket with
#     room, median and max of 10) while shows run back to back and while a
#     monitor polls at its own pace; the share of the time that monitor
#     spends polling after its first poll (its accesses at the access's
#     cost, over 60 s);
#  j. the listing on other tables (bench/tables.py): every MAC on VLANs 1
#     and 17, 128 entries whose 16 VLAN ids come in turn along the walk, a
#     full table whose 16 VLAN ids come in turn bucket by bucket, a random
#     full table: show and flush all (register accesses, lookups an
#     entry, flush against show plus 7 an entry); save and apply of an equal
#     file where 16 of a full table's learned hosts are static (against the
#     walk and 16 lookups); a monitor poll after 256 of a random table's
#     entries moved (lookups a moved entry); CPU (valgrind's instruction
#     count) of show and of two monitor polls on 4,096 MACs crafted into one
#     chain of a 12-bit hash against random ones, and of apply check of
#     4,096 lines against 1,024 on an empty table.
# Times are medians of runs that alternate between the commands compared,
# so that a machine's drift hits them alike.
# usage: bench/run.sh [BUILD_DIR]   (default out/bench, built if missing)
set -euo pipefail
cd "$(dirname "$0")/.."
. cmake/deps.sh
need_packages cmake make g++ python3 valgrind
build=${1:-out/bench}
if [ ! -x "$build/sw53115" ]; then
    cmake -S . -B "$build" -DSW53115_TESTS=OFF >/dev/null
    cmake --build "$build" -j "$(nproc)" >/dev/null
fi
SW=$build/sw53115 SIM=$build/switchsim/switchsim
declare -A cpu_show cpu_mon cpu_check
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export SWITCHSIM_STATE=$tmp/state
unset SWITCHSIM_LOG

# Median wall time in ms of each command, runs alternating between them.
medians() { # RUNS CMD... (each command one string)
    python3 - "$@" <<'PY'
import shlex, statistics, subprocess, sys, time
runs, cmds = int(sys.argv[1]), [shlex.split(c) for c in sys.argv[2:]]
times = [[] for _ in cmds]
warm = min(10, runs)
for i in range(runs + warm):
    order = range(len(cmds)) if i % 2 == 0 else reversed(range(len(cmds)))
    for k in order:
        t = time.perf_counter()
        subprocess.run(cmds[k], stdout=subprocess.DEVNULL, check=True)
        if i >= warm:  # the first runs warm the caches
            times[k].append((time.perf_counter() - t) * 1000)
print(" ".join(f"{statistics.median(t):.3f}" for t in times))
PY
}

# Access counts: lines that one command adds to the access log.
accesses() {
    rm -f "$tmp/log"
    SWITCHSIM_LOG=$tmp/log "$SW" "$@" >/dev/null 2>&1 || true # (an absent delete fails)
    wc -l <"$tmp/log"
}

walk() { echo $((2 + 3 * $1 + 1)); }
per_entry() { # ACCESSES ROWS: the lookups an entry, after the walk
    awk -v g="$1" -v w="$(walk "$2")" -v n="$2" 'BEGIN { printf "%.2f lookups an entry", (g - w) / 9 / n }'
}

"$SIM" reset
"$SW" arl write 1 001122334455 1 0 0 0 3

# a. start-up: read vs /bin/true
read -r read_ms true_ms <<<"$(medians 300 "$SW arl read 1 001122334455" /bin/true)"
ratio=$(awk -v a="$read_ms" -v b="$true_ms" 'BEGIN { printf "%.2f", a / b }')

n_read=$(accesses arl read 1 001122334455)
n_update=$(accesses arl write 1 001122334455 1 0 0 0 3)
n_mdel=$(accesses arl mdel 0 3 001122334455 0)
"$SIM" reset
n_write=$(accesses arl write 1 001122334455 1 0 0 0 3)
n_found=$(accesses arl search 001122334455)

# b, c. a full table: every bucket's two bins, on VLAN 0 and 1; the fold of
# 02:00:00:00:0x:xx is one-to-one over 2048 keys.
"$SIM" reset
for vid in 0 1; do
    for i in $(seq 0 2047); do printf '02000000%04x %d %d\n' "$i" "$vid" $((i % 16)); done
done | xargs -P "$(nproc)" -n 3 "$SIM" add
full=$("$SIM" show | tail -n +2 | wc -l)
read -r search_ms show_ms save_ms <<<"$(medians 100 "$SW arl search 0a0000000001" "$SW arl show" "$SW arl save")"
show_bytes=$("$SW" arl show | wc -c)
n_full=$(accesses arl search 0a0000000001)
n_show=$(accesses arl show)

# f. show mac and flush port on the full table (put back before each flush).
cp "$SWITCHSIM_STATE" "$tmp/full.state"
read -r mac_ms flush_ms cp_ms <<<"$(medians 20 "$SW arl show mac 020000000005" \
    "sh -c 'cp $tmp/full.state $SWITCHSIM_STATE && $SW arl flush port 3'" \
    "cp $tmp/full.state $SWITCHSIM_STATE")"
cp "$tmp/full.state" "$SWITCHSIM_STATE"
n_mac=$(accesses arl show mac 020000000005)
n_flush=$(accesses arl flush port 3)
cp "$tmp/full.state" "$SWITCHSIM_STATE"

# g. monitor's polls: the second of two polls 100 ms apart is the walk
# alone; its time is the whole run less the interval and a process's start.
poll_of() { # the accesses of the second poll in the log, from its first read of 0x20
    local start=$(grep -n '^set page=0x05 offset=0x20' "$tmp/log" | sed -n 2p | cut -d: -f1)
    tail -n +$((start - 1)) "$tmp/log" | wc -l
}
rm -f "$tmp/log"
SWITCHSIM_LOG=$tmp/log "$SW" arl monitor count 2 interval 100 >/dev/null
n_poll=$(poll_of)
read -r two_ms <<<"$(medians 10 "$SW arl monitor count 2 interval 100")"
poll_ms=$(awk -v t="$two_ms" -v r="$read_ms" 'BEGIN { printf "%.3f", t - 100 - r }')
rm -f "$tmp/log"
SWITCHSIM_LOG=$tmp/log "$SW" arl monitor count 2 interval 2000 >/dev/null &
sleep 1 # the first poll is done well within the interval
for i in $(seq 0 15); do "$SIM" move "$(printf '02000000%04x' $((i * 97)))" 0 $(((i * 97 + 1) % 16)); done
wait
n_poll16=$(poll_of)
cp "$tmp/full.state" "$SWITCHSIM_STATE"

# h. show on real VLAN plans (a bucket that two entries fold into misses
# the third: the table is nearly full).
"$SIM" reset
for i in $(seq 0 2047); do
    printf '02000000%04x 1 %d\n02000000%04x %d %d\n' "$i" $((i % 16)) "$i" $((i < 1024 ? 200 : 250)) $((i % 16))
done | xargs -P "$(nproc)" -n 3 "$SIM" add 2>/dev/null || true
n_plan_rows=$("$SIM" show | tail -n +2 | wc -l)
n_plan=$(accesses arl show)
"$SIM" reset
for i in $(seq 0 4095); do printf '02000001%04x %d %d\n' "$i" $((5 + 16 * (i % 16))) $((i % 16)); done |
    xargs -P "$(nproc)" -n 3 "$SIM" add 2>/dev/null || true
n_low_rows=$("$SIM" show | tail -n +2 | wc -l)
n_low=$(accesses arl show)
cp "$tmp/full.state" "$SWITCHSIM_STATE"

# i. at the router's register speed: the full table less 48 entries, whose
# buckets the writes go into.
slow_rows() { # US
    local us=$1 t0 ms
    cp "$tmp/full.state" "$SWITCHSIM_STATE"
    for i in $(seq 0 47); do echo "arl del 1 02000000$(printf %04x $((i * 40)))"; done >"$tmp/del48"
    "$SW" -batch "$tmp/del48" && "$SIM" fault slow "$us"
    for cmd in "show count" show save; do
        t0=$(date +%s%N)
        "$SW" arl $cmd >/dev/null || echo "arl $cmd at $us us: failed" >&2
        ms=$((($(date +%s%N) - t0) / 1000000))
        slow+=("i. arl $cmd, 4048 entries, $us us an access:$ms ms")
        [ "$cmd" != "show count" ] || access_ms=$(awk -v t="$ms" 'BEGIN { printf "%.3f", t / (2 + 3 * 4048 + 1) }')
    done
    for bg in show monitor; do
        if [ $bg = show ]; then (while [ ! -e "$tmp/stop" ]; do "$SW" arl show >/dev/null; done) & else
            "$SW" arl monitor >/dev/null & fi
        local pid=$! waits=()
        sleep 2
        for i in $(seq 0 9); do
            t0=$(date +%s%N)
            "$SW" arl replace "02000000$(printf %04x $((i * 40)))" port 3 vlan 1 static || waits+=(failed)
            waits+=($((($(date +%s%N) - t0) / 1000000)))
            sleep "0.$((RANDOM % 5 + 3))"
        done
        touch "$tmp/stop" && kill $pid && { wait $pid 2>/dev/null || true; }
        rm -f "$tmp/stop"
        slow+=("i. a write's wait while $bg runs, $us us:$(printf '%s\n' "${waits[@]}" | sort -n |
            awk '{ a[NR] = $1 } END { printf "median %d ms, max %d ms", a[int((NR + 1) / 2)], a[NR] }')")
    done
    # The monitor's polls after its first (a whole listing), over 60 s from
    # that poll's end: their accesses at the access's cost.
    rm -f "$tmp/log"
    SWITCHSIM_LOG=$tmp/log "$SW" arl monitor >/dev/null &
    local pid=$! first=-1 now=0
    until [ "$now" -gt 0 ] && [ "$now" = "$first" ]; do # the log still for 0.5 s: the first poll done
        first=$now
        sleep 0.5
        now=$(cat "$tmp/log" 2>/dev/null | wc -l)
    done
    sleep 60
    kill $pid && { wait $pid 2>/dev/null || true; }
    slow+=("i. monitor's share of 60 s spent polling, $us us:$(awk -v n="$(($(wc -l <"$tmp/log") - first))" \
        -v a="$access_ms" 'BEGIN { printf "%.0f%% (after its first poll)", n * a / 600 }')")
    "$SIM" fault none
}
slow=()
if [ "${BENCH_SLOW:-1}" != 0 ]; then # BENCH_SLOW=0: without them (they take minutes)
    slow_rows 100
    slow_rows 300
fi
cp "$tmp/full.state" "$SWITCHSIM_STATE"

# j. the listing on other tables.
lay() { "$SIM" reset && python3 bench/tables.py "$@" >"$tmp/t" && "$SW" -batch "$tmp/t"; }
rows() { "$SIM" show | tail -n +2 | wc -l; }
ir() { # CMD...: the instructions one command runs
    valgrind --tool=callgrind --callgrind-out-file="$tmp/cg" "$@" 2>&1 >/dev/null |
        sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}
other=()
for t in pairs turns sixteen random; do
    lay "$t"
    n=$(rows) && cp "$SWITCHSIM_STATE" "$tmp/$t.state"
    show=$(accesses arl show) && flush=$(accesses arl flush all)
    cp "$tmp/$t.state" "$SWITCHSIM_STATE"
    other+=("j. show, $n entries, $t:$show ($(per_entry "$show" "$n"))")
    other+=("j. flush all, $n entries, $t:$flush = $(awk -v f="$flush" -v s="$show" -v n="$n" \
        'BEGIN { printf "%.2f", f / (s + 7 * n) }') x (show + 7 an entry)")
done
# 16 static among learned hosts: save, and apply of what it saved.
cp "$tmp/random.state" "$SWITCHSIM_STATE"
"$SW" arl show | tail -n +2 | awk 'NR % 256 == 1 { printf "arl replace %s port %d vlan %d static\n", $1, $3, $2 }' >"$tmp/pin"
"$SW" -batch "$tmp/pin" && "$SW" arl save "$tmp/saved16"
n=$(rows) save=$(accesses arl save) apply=$(accesses arl apply "$tmp/saved16")
other+=("j. save, 16 static of $n:$save (walk + 16 lookups: $(($(walk "$n") + 9 * 16)))")
other+=("j. apply of an equal file, 16 static of $n:$apply (walk + 16 lookups: $(($(walk "$n") + 9 * 16)))")
# A monitor poll after 256 moves.
cp "$tmp/random.state" "$SWITCHSIM_STATE"
"$SW" arl show | tail -n +2 | awk 'NR % 16 == 3 { printf "arl replace %s port %d vlan %d dynamic\n", $1, ($3 + 1) % 16, $2 }' >"$tmp/moves"
rm -f "$tmp/log"
SWITCHSIM_LOG=$tmp/log "$SW" arl monitor count 2 interval 3000 >/dev/null &
sleep 1.5
"$SW" -batch "$tmp/moves"
wait
moved=$(wc -l <"$tmp/moves") poll=$(poll_of)
other+=("j. monitor poll after $moved moves of $n:$poll ($(awk -v p="$poll" -v w="$(walk "$n")" -v m="$moved" \
    'BEGIN { printf "%.2f", (p - w) / 9 / m }') lookups a moved entry)")
# CPU.
for t in chain random; do
    lay "$t"
    cpu_show[$t]=$(ir "$SW" arl show)
    cpu_mon[$t]=$(ir "$SW" arl monitor count 2 interval 100)
done
other+=("j. CPU of show, crafted chain vs random MACs:${cpu_show[chain]} vs ${cpu_show[random]} = $(awk -v a="${cpu_show[chain]}" -v b="${cpu_show[random]}" 'BEGIN { printf "%.2f", a / b }')x")
other+=("j. CPU of two monitor polls, chain vs random:${cpu_mon[chain]} vs ${cpu_mon[random]} = $(awk -v a="${cpu_mon[chain]}" -v b="${cpu_mon[random]}" 'BEGIN { printf "%.2f", a / b }')x")
"$SIM" reset
for k in 1024 4096; do python3 bench/tables.py want $k >"$tmp/want$k" && cpu_check[$k]=$(ir "$SW" arl apply "$tmp/want$k" check); done
other+=("j. CPU of apply check, 4096 vs 1024 lines:${cpu_check[4096]} vs ${cpu_check[1024]} = $(awk -v a="${cpu_check[4096]}" -v b="${cpu_check[1024]}" 'BEGIN { printf "%.2f", a / b }')x")
cp "$tmp/full.state" "$SWITCHSIM_STATE"

# e. 1,000 writes, into an empty table each time: one batch, and one
# process each (as xargs -L1 runs them); both start with a reset.
for i in $(seq 0 999); do printf 'arl write 1 02:00:00:00:%02x:%02x 1 0 0 0 %d\n' $((i / 256)) $((i % 256)) $((i % 16)); done >"$tmp/writes"
read -r batch_ms procs_ms <<<"$(medians 5 "sh -c '$SIM reset && $SW -batch $tmp/writes'" \
    "sh -c '$SIM reset && xargs -L1 $SW <$tmp/writes'")"
batch_ratio=$(awk -v a="$procs_ms" -v b="$batch_ms" 'BEGIN { printf "%.0f", a / b }')
"$SIM" reset
n_batch=$(accesses -batch "$tmp/writes")

# Minimum accesses: read = MAC, VID, control x2, two slots; a write command
# = the bucket's read (MAC, VID, control x2, one poll, two slots and their
# VLAN ids) and the write (MAC, VID, slot, slot VLAN, control x2, one poll);
# a delete of what is not there = the bucket's read alone; search = control
# read and start, then control, extra and result per result taken, and a
# last control read when the results run out before the step bound; show =
# the same for every entry, and the control once more after the last, then
# one bucket read (9) per bucket to find the whole VLAN ids of its entries.
verdict() { [ "$1" = "$2" ] && echo "met" || echo "NOT met"; }
row() { printf '%-52s %-36s %-8s %s\n' "$@"; }
row "measure" "result" "goal" "verdict"
row "a. arl read vs /bin/true (median wall)" "$read_ms ms vs $true_ms ms = ${ratio}x" "<= 1.5x" \
    "$(awk -v r="$ratio" 'BEGIN { print (r <= 1.5) ? "met" : "NOT met" }')"
row "b. search, $full valid entries, MAC absent" "$search_ms ms" "< 30 ms" \
    "$(awk -v t="$search_ms" 'BEGIN { print (t < 30) ? "met" : "NOT met" }')"
row "c. arl show, $full valid entries" "$show_ms ms, $show_bytes bytes" "< 30 ms" \
    "$(awk -v t="$show_ms" 'BEGIN { print (t < 30) ? "met" : "NOT met" }')"
row "c. arl save, $full valid entries" "$save_ms ms" "< 30 ms" \
    "$(awk -v t="$save_ms" 'BEGIN { print (t < 30) ? "met" : "NOT met" }')"
for r in "read:$n_read:6" "write, empty bucket:$n_write:16" "write, entry present:$n_update:16" \
    "mdel, entry absent:$n_mdel:9" "search, found at once:$n_found:5" \
    "search, 4096 entries:$n_full:$((2 + 3 * 4096))" "show, 4096 entries:$n_show:$((2 + 3 * 4096 + 1 + 9 * 2048))" \
    "1,000 writes in a batch:$n_batch:$((16 * 1000))" \
    "show mac, 2 entries of 4096:$n_mac:$((2 + 3 * 4096 + 1 + 9 * 2))" \
    "flush port 3, 256 entries of 4096:$n_flush:$((2 + 3 * 4096 + 1 + 16 * 256))" \
    "monitor poll, unchanged table:$n_poll:$((2 + 3 * 4096 + 1))" \
    "monitor poll, 16 entries moved:$n_poll16:$((2 + 3 * 4096 + 1 + 9 * 16))"; do
    IFS=: read -r what got want <<<"$r"
    row "d. register accesses: $what" "$got (minimum $want)" "equal" "$(verdict "$got" "$want")"
done
want=$(($(walk "$n_plan_rows") + 9 * (n_plan_rows + 12 + 15)))
row "h. show, $n_plan_rows entries on VLANs 1, 200, 250" "$n_plan ($(per_entry "$n_plan" "$n_plan_rows"))" \
    "<= $want" "$([ "$n_plan" -le "$want" ] && echo met || echo "NOT met")"
want=$(($(walk "$n_low_rows") + 9 * (n_low_rows + 15 * 15)))
row "h. show, $n_low_rows entries on 16 VLANs, low bits 5" "$n_low ($(per_entry "$n_low" "$n_low_rows"))" \
    "<= $want" "$([ "$n_low" -le "$want" ] && echo met || echo "NOT met")"
row "f. arl show mac, 4096 valid entries" "$mac_ms ms" "< 30 ms" \
    "$(awk -v t="$mac_ms" 'BEGIN { print (t < 30) ? "met" : "NOT met" }')"
row "f. arl flush port 3, 4096 valid entries" "$flush_ms ms (with a copy of the state: $cp_ms ms)" \
    "< 30 ms" "$(awk -v t="$flush_ms" -v c="$cp_ms" 'BEGIN { print (t - c < 30) ? "met" : "NOT met" }')"
row "g. monitor poll of 4096 unchanged entries" "$poll_ms ms" "< 30 ms" \
    "$(awk -v t="$poll_ms" 'BEGIN { print (t < 30) ? "met" : "NOT met" }')"
row "e. 1,000 writes: -batch vs 1,000 processes" "$batch_ms ms vs $procs_ms ms = ${batch_ratio}x" ">= 50x" \
    "$(awk -v r="$batch_ratio" 'BEGIN { print (r >= 50) ? "met" : "NOT met" }')"
for r in "${other[@]}" "${slow[@]}"; do
    IFS=: read -r what got <<<"$r"
    row "$what" "$got" "" ""
done
