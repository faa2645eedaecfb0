#!/bin/bash
# Benchmarks of sw53115 on the simulated switch, printed as one table:
#  a. one `arl read` against /bin/true, the floor for starting a process;
#  b. a search of a full table (4096 valid entries) for an absent MAC;
#  c. register accesses per command, from the access log, against the
#     minimum of the register protocol.
# usage: bench/run.sh [BUILD_DIR]   (default out/host, built if missing)
set -euo pipefail
cd "$(dirname "$0")/.."
. cmake/deps.sh
need_packages cmake make g++ hyperfine
build=${1:-out/host}
if [ ! -x "$build/sw53115" ]; then
    cmake -S . -B "$build" -DSW53115_TESTS=OFF >/dev/null
    cmake --build "$build" -j "$(nproc)" >/dev/null
fi
SW=$build/sw53115 SIM=$build/switchsim/switchsim
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export SWITCHSIM_STATE=$tmp/state
unset SWITCHSIM_LOG

# Mean wall time in ms of each command, measured side by side.
time_ms() { # CSV CMD...
    local csv=$1
    shift
    hyperfine -N --warmup 20 --min-runs 200 --export-csv "$csv" "$@" >/dev/null 2>&1
}
mean_ms() { awk -F, -v row="$2" 'NR == row + 1 { printf "%.3f", $2 * 1000 }' "$1"; }

# Access counts: lines that one command adds to the access log.
accesses() {
    rm -f "$tmp/log"
    SWITCHSIM_LOG=$tmp/log "$SW" "$@"
    wc -l <"$tmp/log"
}

"$SIM" reset
"$SW" arl write 1 001122334455 1 0 0 0 3

# a. start-up: read vs /bin/true
time_ms "$tmp/a.csv" "$SW arl read 1 001122334455" "/bin/true"
read_ms=$(mean_ms "$tmp/a.csv" 1) true_ms=$(mean_ms "$tmp/a.csv" 2)
ratio=$(awk -v a="$read_ms" -v b="$true_ms" 'BEGIN { printf "%.2f", a / b }')

n_read=$(accesses arl read 1 001122334455)
n_write=$(accesses arl write 1 001122334455 1 0 0 0 3)
n_mdel=$(accesses arl mdel 0 3 001122334455 0)
n_found=$(accesses arl search 001122334455)

# b. a full table: every bucket's two bins, on VLAN 0 and 1; the fold of
# 02:00:00:00:0x:xx is one-to-one over 2048 keys.
"$SIM" reset
for vid in 0 1; do
    for i in $(seq 0 2047); do printf '02000000%04x %d %d\n' "$i" "$vid" $((i % 16)); done
done | xargs -P "$(nproc)" -n 3 "$SIM" add
full=$("$SIM" show | tail -n +2 | wc -l)
time_ms "$tmp/b.csv" "$SW arl search 0a0000000001"
search_ms=$(mean_ms "$tmp/b.csv" 1)
n_full=$(accesses arl search 0a0000000001)

# Minimum accesses: read = MAC, VID, control x2, two slots; write = MAC,
# VID, slot, slot VLAN, control x2, one poll; search = control read and
# start, then control, extra and result per result taken, and a last
# control read when the results run out before the step bound.
verdict() { [ "$1" = "$2" ] && echo "met" || echo "NOT met"; }
printf '%-52s %-32s %-8s %s\n' "measure" "result" "goal" "verdict"
printf '%-52s %-32s %-8s %s\n' "a. arl read vs /bin/true (mean wall)" \
    "$read_ms ms vs $true_ms ms = ${ratio}x" "<= 1.5x" \
    "$(awk -v r="$ratio" 'BEGIN { print (r <= 1.5) ? "met" : "NOT met" }')"
printf '%-52s %-32s %-8s %s\n' "b. search, $full valid entries, MAC absent" "$search_ms ms" "< 30 ms" \
    "$(awk -v t="$search_ms" 'BEGIN { print (t < 30) ? "met" : "NOT met" }')"
for row in "read:$n_read:6" "write:$n_write:7" "mdel:$n_mdel:7" "search, found at once:$n_found:5" \
    "search, 4096 entries:$n_full:$((2 + 3 * 4096))"; do
    IFS=: read -r what got want <<<"$row"
    printf '%-52s %-32s %-8s %s\n' "c. register accesses: $what" "$got (minimum $want)" "equal" \
        "$(verdict "$got" "$want")"
done
