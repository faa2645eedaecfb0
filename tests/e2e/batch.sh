#!/bin/bash
# sw53115 -batch on a simulated switch: the same table and output, from
# standard input, as the commands one by one; malformed lines all said and nothing run; a failure
# stops the batch unless -force; a missing file; arl save
# put back by a batch after a reset; a full table listed under a 128 KiB
# stack.
# usage: batch.sh SW53115 SWITCHSIM [EMULATOR]
SIM_ARGS=1 . "$(dirname "$0")/../lib.sh"
same() { cmp -s "$1" "$2" && ok || bad "$3: $(diff "$1" "$2" | head -n 6)"; }

# 02:00:00:00:09:05 and 02:00:00:00:11:06 share bucket 5 on VLAN 1.
cat >"$tmp/b" <<'EOF'
# hosts
arl write 1 02:00:00:00:09:05 1 0 0 2 3

	arl write  17 02:00:00:00:09:05 1 1 1 1 4
arl mwrite 1 5 02:00:5e:00:00:fb 0
arl mdel 1 5 02:00:5e:00:00:fb 0
arl write 1 02:00:00:00:11:06 1 1 0 0 7
arl show --json
arl get 17 02:00:00:00:09:05
EOF
sim reset
grep -v '^#' "$tmp/b" | while read -r -a w; do [ ${#w[@]} = 0 ] || sw "${w[@]}"; done >"$tmp/one.out" 2>&1
sim show --json >"$tmp/one.json"
grep -qx '02:00:00:00:09:05  17    4      1   1     1  1' "$tmp/one.out" && grep -qF '{"mac":"02:00:00:00:11:06","vid":1,' "$tmp/one.out"
check "get and show --json one by one" $? "$(cat "$tmp/one.out")"
sim reset
run_batch() { # RC WHAT ARGS...: runs sw53115 ARGS..., status RC wanted
    local want=$1 what=$2
    shift 2
    sw "$@" >"$tmp/out" 2>"$tmp/err"
    check "$what: status" $(($? != want)) "status $?, stderr $(cat "$tmp/err")"
}
run_batch 0 "batch from standard input" -batch - <"$tmp/b"
sim show --json >"$tmp/batch.json"
same "$tmp/one.json" "$tmp/batch.json" "the batch's table"
cat "$tmp/err" >>"$tmp/out"
same "$tmp/one.out" "$tmp/out" "the batch's output"

# Malformed lines: each said with its line number, nothing run.
printf 'arl write 1 02:00:00:00:00:01 1 0 0 0 3\narl write 256 02:00:00:00:00:02 1 0 0 0 3\n#\narl shw\n' >"$tmp/bad"
run_batch 1 "malformed lines" -batch "$tmp/bad"
printf '%s\n' "$SW: $tmp/bad:2: arl write: bad VID '256': expected 0 to 255" \
    "$SW: $tmp/bad:4: arl: unknown command 'shw': expected read, search, get, show, write, add, replace, mwrite, mdel, del, flush, save, apply, monitor or help" >"$tmp/want"
same "$tmp/want" "$tmp/err" "malformed lines said"
sim show --json >"$tmp/json"
same "$tmp/batch.json" "$tmp/json" "malformed lines: the table"

# A full bucket in the middle (bucket 5 holds two entries already).
printf 'arl write 2 02:00:00:00:00:01 1 0 0 0 3\narl write 1 02:00:00:00:01:04 1 0 0 0 3\narl write 2 02:00:00:00:00:02 1 0 0 0 3\n' >"$tmp/full"
for force in "" -force; do
    sim reset
    sw -batch "$tmp/b" >/dev/null
    run_batch 1 "full bucket $force" $force -batch "$tmp/full"
    grep -qx "$SW: $tmp/full:2: arl write: no room for 02:00:00:00:01:04 on VLAN 1: its bucket holds 02:00:00:00:09:05 on VLAN 1 (dynamic, port 3) and 02:00:00:00:11:06 on VLAN 1 (static, port 7)" "$tmp/err"
    check "full bucket $force: said" $? "$(cat "$tmp/err")"
    sim show >"$tmp/show"
    grep -q 02:00:00:00:00:01 "$tmp/show" && [ "$(grep -c 02:00:00:00:00:02 "$tmp/show")" = "$([ -n "$force" ] && echo 1 || echo 0)" ]
    check "full bucket $force: what ran" $? "$(cat "$tmp/show")"
done

# A missing file.
run_batch 1 "missing file" -batch "$tmp/none"
[ "$(cat "$tmp/err")" = "$SW: $tmp/none: No such file or directory" ]
check "missing file: said" $? "$(cat "$tmp/err")"

# arl save, then a reset, then the saved batch: the static entries again,
# on their whole VLAN ids.
for e in "02:00:00:00:00:05 1 3 --static --tc 2" "02:00:00:00:00:05 17 4 --static --age" \
    "02:00:00:00:00:05 33 5" "02:00:00:00:00:06 200 6 --static" "02:00:00:00:00:07 255 15 --static --tc 3"; do
    sim add $e
done
entries() { sim show --json | grep "$1" | sed 's/^ *{"bucket":[0-9]*,"bin":[0-9]*,//; s/,$//' | sort; }
entries '"static":true' >"$tmp/static"
sw arl save >"$tmp/saved"
check "arl save" $? "status $?"
sim reset
sw -batch "$tmp/saved"
check "the saved batch" $? "status $?"
entries '"mac"' >"$tmp/restored"
[ "$(wc -l <"$tmp/static")" = 6 ]
check "static entries to save" $? "$(cat "$tmp/static")"
same "$tmp/static" "$tmp/restored" "saved and put back"

# A full table (every bucket's two bins, VLANs 0 and 1, every 7th static),
# written by one batch, listed and saved with a 128 KiB stack.
for vid in 0 1; do
    for i in $(seq 0 2047); do printf 'arl write %d 02000000%04x 1 %d 0 0 %d\n' $vid "$i" $((i % 7 == 0)) $((i % 16)); done
done >"$tmp/table"
sim reset && sw -batch "$tmp/table"
check "a full table by batch" $? "status $?"
(ulimit -s 128 && sw arl show >"$tmp/out" && sw arl save >"$tmp/saved")
check "show and save with a 128 KiB stack" $? "status $?"
[ "$(wc -l <"$tmp/out")" = 4097 ] && [ "$(grep -c '^arl write' "$tmp/saved")" = $((2 * 293)) ]
check "full table listed and saved" $? "$(wc -l <"$tmp/out") rows, $(grep -c '^arl write' "$tmp/saved") saved"

# save FILE: the whole batch, or FILE left as it was (a stuck switch), and
# nothing left beside it; a replaced FILE keeps its mode.
mkdir "$tmp/etc" && echo old >"$tmp/etc/static" && chmod 640 "$tmp/etc/static"
sim reset && sim add 02:00:00:00:00:05 1 3 --static && sim fault stuck
run_batch 1 "save FILE on a stuck switch" arl save "$tmp/etc/static"
[ "$(cat "$tmp/etc/static")" = old ] && [ "$(ls "$tmp/etc")" = static ] && [ "$(wc -l <"$tmp/err")" = 1 ]
check "save FILE on a stuck switch: FILE kept" $? "$(ls "$tmp/etc"; cat "$tmp/err")"
sim fault none
run_batch 0 "save FILE" arl save "$tmp/etc/static"
sw arl save - >"$tmp/want"
cmp -s "$tmp/want" "$tmp/etc/static" && [ "$(stat -c %a "$tmp/etc/static")" = 640 ] && [ "$(ls "$tmp/etc")" = static ]
check "save FILE: written whole" $? "$(ls -l "$tmp/etc"; cat "$tmp/etc/static")"

# save FILE writes files only: a FIFO and a device node refused and kept; a
# symbolic link followed, its target replaced, its owner kept.
mkfifo "$tmp/fifo" && ln -s etc/static "$tmp/link" && chown 1:2 "$tmp/etc/static" 2>/dev/null
nodes=("$tmp/fifo")
mknod "$tmp/null" c 1 3 2>/dev/null && nodes+=("$tmp/null")
for node in "${nodes[@]}"; do
    run_batch 1 "save onto ${node##*/}" arl save "$node"
    [ -p "$node" ] || [ -c "$node" ]
    check "save onto ${node##*/}: kept" $? "$(ls -l "$node"; cat "$tmp/err")"
done
sim add 02:00:00:00:00:06 1 4 --static
run_batch 0 "save through a link" arl save "$tmp/link"
sw arl save - >"$tmp/want"
[ -L "$tmp/link" ] && cmp -s "$tmp/want" "$tmp/etc/static" && [ "$(ls "$tmp/etc")" = static ] &&
    { [ "$(id -u)" != 0 ] || [ "$(stat -c %u:%g "$tmp/etc/static")" = 1:2 ]; }
check "save through a link: target replaced, link and owner kept" $? "$(ls -l "$tmp" "$tmp/etc")"

hooked() { # the command with the hook preloaded, in the emulator's guest where there is one
    if [ -n "$EMU" ]; then $EMU -E LD_PRELOAD="$HOOK" "$SW" "$@"; else LD_PRELOAD=$HOOK "$SW" "$@"; fi
}
# save onto the process's own streams writes them as save - does: a log
# appended to, a pipe read; a link that another user planted in a sticky
# directory is not followed; a signal as the new file is made removes it.
echo earlier >"$tmp/log2" && sw arl save /dev/stdout >>"$tmp/log2" && sw arl save /proc/self/fd/1 >>"$tmp/log2"
sw arl save /dev/stdout | cat >>"$tmp/log2" && { echo earlier && sw arl save - && sw arl save - && sw arl save -; } >"$tmp/want"
same "$tmp/want" "$tmp/log2" "save /dev/stdout >> LOG, and through a pipe"
if [ "$(id -u)" = 0 ]; then
    mkdir -m 1777 "$tmp/sticky" && ln -s "$tmp/etc/static" "$tmp/sticky/planted" && chown -h 1 "$tmp/sticky/planted"
    cp "$tmp/etc/static" "$tmp/want"
    run_batch 1 "save through a planted link" arl save "$tmp/sticky/planted"
    cmp -s "$tmp/want" "$tmp/etc/static" && grep -qF "cannot write through $tmp/sticky/planted: a symbolic link" "$tmp/err"
    check "save through a planted link: refused, named" $? "$(cat "$tmp/err")"
fi
SW53115_HOOK_SIGNAL=1 ASAN_OPTIONS=verify_asan_link_order=0 hooked arl save "$tmp/etc/static"
[ $? -gt 128 ] && [ "$(ls -A "$tmp/etc")" = static ]
check "save ended by a signal as its file is made: nothing left" $? "$(ls -A "$tmp/etc")"

# The table changes between the listing's walk and its lookups: another
# process adds the MAC of a static entry on VLAN 33 on VLAN 1 (the same low
# bits), dynamic.  save keeps the static entry, or fails; never exits 0
# without it.
sim reset && sim add 02:00:5e:00:00:fb 33 5 --static
SW53115_HOOK_AT=2 SW53115_HOOK_CMD="$EMU $SIM add 02:00:5e:00:00:fb 1 7" ASAN_OPTIONS=verify_asan_link_order=0 \
    hooked arl save >"$tmp/out" 2>"$tmp/err"
rc=$?
sim show | grep -q '02:00:5e:00:00:fb   1    7' && { [ $rc = 1 ] || grep -qx 'arl write 33 02:00:5e:00:00:fb 1 1 0 0 5' "$tmp/out"; }
check "save while the table changes" $? "status $rc, $(cat "$tmp/out" "$tmp/err")"

# A saved file cut short is refused whole, no register touched; a file
# edited elsewhere (CRLF, trailing comments) runs as its plain form.
sim reset
head -c -3 "$tmp/saved" >"$tmp/cut"
rm -f "$tmp/log"
SWITCHSIM_LOG=$tmp/log run_batch 1 "a saved file cut short" -batch "$tmp/cut"
[ ! -s "$tmp/log" ] && grep -q "^$SW: $tmp/cut: cut short: " "$tmp/err"
check "a saved file cut short: refused" $? "$(cat "$tmp/err")"
# A saved file edited by hand: each fault named at its line, never "cut
# short"; nothing run, by -batch or by apply.
n=$(wc -l <"$tmp/saved") w=$(grep -c '^arl write' "$tmp/saved")
while IFS='|' read -r what edit said; do
    sed "$edit" "$tmp/saved" >"$tmp/edited"
    for how in "-batch $tmp/edited" "arl apply $tmp/edited"; do
        rm -f "$tmp/log"
        SWITCHSIM_LOG=$tmp/log run_batch 1 "$what ($how)" $how
        [ ! -s "$tmp/log" ] && [ "$(cat "$tmp/err")" = "$SW: $tmp/edited:$(eval echo "\"$said\"")" ]
        check "$what ($how): said" $? "$(cat "$tmp/err")"
    done
done <<'CASES'
a line added|2i arl write 9 02:00:00:00:00:99 1 1 0 0 1|$((n + 1)): the end line counts $w arl write lines, the file has $((w + 1)): set the count to $((w + 1)), or delete the first line to take the file as a hand-written list; nothing run
a typo|2s/arl write/arl wirte/|2: arl: unknown command 'wirte': expected read, search, get, show, write, add, replace, mwrite, mdel, del, flush, save, apply, monitor or help
a line after the end|$a arl write 9 02:00:00:00:00:99 1 1 0 0 1|$((n + 1)): a command after the end line (line $n): expected nothing after it but comments; nothing run
CASES
sed 's/$/\r/; s/^\(arl write 1 .*\)\r$/\1 # pinned\r/' "$tmp/saved" >"$tmp/crlf"
run_batch 0 "CRLF and trailing comments" -batch "$tmp/crlf"
sim show --json >"$tmp/json" && sim reset && sw -batch "$tmp/saved" && sim show --json >"$tmp/want"
same "$tmp/want" "$tmp/json" "CRLF and trailing comments: the table"

# -batch of a FIFO with standard input closed, of a directory.
mkfifo "$tmp/fifo"
sw -batch "$tmp/fifo" <&- 2>"$tmp/err"
[ $? = 1 ] && [ "$(cat "$tmp/err")" = "$SW: $tmp/fifo: not a regular file: expected a file, or - for standard input" ]
check "-batch FIFO, standard input closed" $? "$(cat "$tmp/err")"
sw -batch "$tmp" 2>"$tmp/err" <&-
[ "$(cat "$tmp/err")" = "$SW: $tmp: Is a directory" ]
check "-batch of a directory" $? "$(cat "$tmp/err")"

# apply: a table and a file that differ in each way.  A (as in the file),
# B (another port), C (dynamic), E (absent); D static and F dynamic, not in
# the file: D goes with prune, F stays.
e() { echo "02:00:00:00:00:0$1"; }
sim reset
for a in "$(e a) 1 2 --static" "$(e b) 2 3 --static" "$(e c) 3 5" "$(e d) 4 6 --static" "$(e f) 7 7"; do sim add $a || bad "switchsim add $a"; done
sim show --json >"$tmp/before"
printf '%s\n' "# desired" "arl write 1 $(e a) 1 1 0 0 2" "arl write 2 $(e b) 1 1 0 0 4" \
    "arl write 3 $(e c) 1 1 1 1 5" "arl write 5 $(e e) 1 1 0 3 1" >"$tmp/desired"
sw arl apply "$tmp/desired" prune check >"$tmp/out"
printf '%s\n' "arl del 4 $(e d)" "arl write 2 $(e b) 1 1 0 0 4" "arl write 3 $(e c) 1 1 1 1 5" \
    "arl write 5 $(e e) 1 1 0 3 1" >"$tmp/want"
same "$tmp/want" "$tmp/out" "apply check: the changes"
sim show --json >"$tmp/json"
same "$tmp/before" "$tmp/json" "apply check: the table untouched"
run_batch 0 "apply prune" -s arl apply "$tmp/desired" prune
[ "$(cat "$tmp/out")" = "3 written, 1 pruned, 0 learned deleted for room, 1 unchanged" ]
check "apply -s: what it did" $? "$(cat "$tmp/out")"
sw arl show >"$tmp/out"
printf '%s\n' "mac               vid port static age valid tc" "$(e a)   1    2      1   0     1  0" \
    "$(e b)   2    4      1   0     1  0" "$(e c)   3    5      1   1     1  1" \
    "$(e e)   5    1      1   0     1  3" "$(e f)   7    7      0   0     1  0" | sort >"$tmp/want"
sort -o "$tmp/out" "$tmp/out"
same "$tmp/want" "$tmp/out" "apply prune: the table"
rm -f "$tmp/log"
SWITCHSIM_LOG=$tmp/log run_batch 0 "apply again" -s -j arl apply "$tmp/desired" prune
[ "$(cat "$tmp/out")" = '{"written":0,"pruned":0,"room":0,"unchanged":4}' ]
check "apply -s -j again: nothing done" $? "$(cat "$tmp/out")"
! grep -q 'offset=0x00 length=1 value=0x80$' "$tmp/log"
check "apply again: no write" $? "$(grep -c 'value=0x80$' "$tmp/log") writes"

# apply makes room over learned hosts, never over static entries: bucket 5
# on VLAN 1 holds two learned hosts (check and apply delete the first),
# then two static entries (check and apply fail alike, nothing changed).
sim add 02:00:00:00:09:05 1 3 && sim add 02:00:00:00:11:06 1 7
printf '%s\n' "arl write 2 $(e b) 1 1 0 0 9" "arl write 1 02:00:00:00:01:04 1 1 0 0 3" >"$tmp/full"
sw arl apply "$tmp/full" check >"$tmp/out"
printf '%s\n' "arl write 2 $(e b) 1 1 0 0 9" "arl del 1 02:00:00:00:09:05" \
    "arl write 1 02:00:00:00:01:04 1 1 0 0 3" >"$tmp/want"
same "$tmp/want" "$tmp/out" "apply check: room over a learned host"
run_batch 0 "apply over learned hosts" arl apply "$tmp/full"
sw arl get 1 02:00:00:00:01:04 >/dev/null && ! sw arl get 1 02:00:00:00:09:05 >/dev/null
check "apply over learned hosts: the static entry in" $? "$(sim show)"
sim del 02:00:00:00:01:04 1 && sim del 02:00:00:00:11:06 1
sim add 02:00:00:00:09:05 1 3 --static && sim add 02:00:00:00:11:06 1 7 --static
sim show --json >"$tmp/before"
for how in check ""; do
    run_batch 1 "apply $how into a bucket of two static entries" arl apply "$tmp/full" $how
    [ ! -s "$tmp/out" ] && [ "$(cat "$tmp/err")" = "$SW: arl apply: no room for 02:00:00:00:01:04 on VLAN 1: its bucket holds 02:00:00:00:09:05 on VLAN 1 (static, port 3) and 02:00:00:00:11:06 on VLAN 1 (static, port 7)" ]
    check "apply $how into a bucket of two static entries: said" $? "$(cat "$tmp/out" "$tmp/err")"
    sim show --json >"$tmp/json"
    same "$tmp/before" "$tmp/json" "apply $how into a bucket of two static entries: the table as before"
done
# prune with a file that names nothing: refused, unless it is save's file
# of no entries.
: >"$tmp/empty"
run_batch 1 "apply EMPTY prune" arl apply "$tmp/empty" prune
sim show --json >"$tmp/json"
same "$tmp/before" "$tmp/json" "apply EMPTY prune: the table as before"
printf '# end: 0 static entries\r\n\n' >"$tmp/empty"
run_batch 0 "apply of no entries, prune" arl apply "$tmp/empty" prune
[ "$(sw arl show static | wc -l)" = 1 ]
check "apply of no entries, prune: no static entry" $? "$(sim show)"
printf 'arl write 1 %s 1 1 0 0 2\narl del 1 %s\narl write 1 %s 1 1 0 0 3\n' "$(e a)" "$(e a)" "$(e a)" >"$tmp/bad"
run_batch 1 "apply of a bad file" arl apply "$tmp/bad"
grep -q "/bad:2: expected arl write VID MAC 1 1" "$tmp/err" && grep -q "/bad:3: $(e a) on VLAN 1 again (first on line 1)$" "$tmp/err"
check "apply of a bad file: each line said" $? "$(cat "$tmp/err")"
# flush -s: how many it deleted; nothing without -s.
sim reset && sim add 02:00:00:00:00:01 1 2 && sim add 02:00:00:00:00:02 1 3 && sim add 02:00:00:00:00:03 1 4 --static
[ "$(sw -s arl flush)" = "2 entries deleted" ] && [ "$(sw -j -s arl flush all)" = '{"deleted":1}' ] &&
    [ "$(sw -s arl flush all)" = "0 entries deleted" ] && [ -z "$(sw arl flush)" ]
check "flush -s" $? "$(sim show)"

# Every delete names what it expects, whatever another process does between
# apply's holds of the lock (the hook runs a command before hold N; the
# holds counted on the same table first).  L0 and L1, learned, fill bucket
# 5 on VLAN 1; X's bucket 9 has room.
l0=02:00:00:00:09:05 l1=02:00:00:00:11:06 w=02:00:00:00:01:04 x=02:00:00:00:01:08
apply_hooked() { # WHAT RC AT-FROM-END CMD FILE [prune]: apply, CMD before that hold
    local what=$1 want=$2 back=$3 cmd=$4 file=$5
    shift 5
    cp "$SWITCHSIM_STATE" "$tmp/state0"
    SW53115_HOOK_COUNT=$tmp/holds hooked arl apply "$file" "$@" >/dev/null 2>&1
    cp "$tmp/state0" "$SWITCHSIM_STATE"
    SW53115_HOOK_AT=$(($(cat "$tmp/holds") - back)) SW53115_HOOK_CMD="$cmd" hooked arl apply "$file" "$@" \
        >"$tmp/out" 2>"$tmp/err"
    check "$what: status" $(($? != want)) "$(cat "$tmp/err")"
}
export ASAN_OPTIONS=verify_asan_link_order=0
sim reset && sim add $l0 1 3 && sim add $l1 1 7
echo "arl write 1 $w 1 1 0 0 3" >"$tmp/f"
apply_hooked "L0 pinned before its delete for room" 0 1 "$EMU $SIM del $l0 1 && $EMU $SIM add $l0 1 4 --static" "$tmp/f"
[ "$(sim show | grep -c "$l0   1    4      1\|$w   1    3      1")" = 2 ] && ! sim show | grep -q $l1
check "L0 pinned before its delete for room: kept, L1 made room" $? "$(sim show)"
sim reset && sim add 02:00:00:00:00:0d 4 6 --static
printf '# end: 0 static entries\n' >"$tmp/f"
apply_hooked "a static entry learned before its prune" 0 0 "$EMU $SIM del 02:00:00:00:00:0d 4 && $EMU $SIM add 02:00:00:00:00:0d 4 6" "$tmp/f" prune
sim show | grep -q "02:00:00:00:00:0d   4    6      0"
check "a static entry learned before its prune: kept" $? "$(sim show)"
# W made room over L0; before X's write, L1 goes and L0 is learned again
# into bin 1, and X's bucket fills with static entries: the undo leaves L0
# where the switch has it, once.
sim reset && sim add $l0 1 3 && sim add $l1 1 7
printf 'arl write 1 %s 1 1 0 0 3\narl write 1 %s 1 1 0 0 3\n' $w $x >"$tmp/f"
apply_hooked "L0 learned again before a failure" 1 0 "$EMU $SIM del $l1 1 && $EMU $SIM add $l0 1 3 &&
    $EMU $SIM add 02:00:00:00:09:09 1 2 --static && $EMU $SIM add 02:00:00:00:11:0a 1 2 --static" "$tmp/f"
[ "$(sim show | grep -c $l0)" = 1 ] && ! sim show | grep -q $w &&
    grep -qx "$SW: arl apply: left changed: $l0 on VLAN 1 (there again in the other bin of its bucket)" "$tmp/err"
check "L0 learned again before a failure: once in the table, said" $? "$(sim show; cat "$tmp/err")"

# A FILE that fills the whole table: check plans every write on an empty
# table, and apply makes room over 4,096 learned hosts that the switch
# learns again after every other delete.  Keys share their bucket in fours.
if [ -z "$EMU" ]; then
    key() { printf '%012x' $(((($1 >> 1) ^ 1) | ($1 & 1 ? $2 : 0) | $3)); } # I TAG-ODD TAG
    for i in $(seq 0 4095); do
        echo "arl write 1 $(key "$i" $(((1 << 11) | (1 << 22))) 0) 1 0 0 0 3" >&3
        echo "arl write 1 $(key "$i" $(((1 << 12) | (1 << 23))) $(((1 << 33) | (1 << 44)))) 1 1 0 0 5"
    done >"$tmp/full" 3>"$tmp/learned"
    sim reset
    sw arl apply "$tmp/full" check | tr -d : >"$tmp/out"
    same "$tmp/full" "$tmp/out" "apply check of a FILE that fills the table"
    sw -batch "$tmp/learned" && sim fault relearn
    run_batch 0 "apply over a full table that learns again" arl apply "$tmp/full"
    [ "$(sim show | grep -c '   1    5      1   ')" = 4096 ]
    check "apply over a full table that learns again: every entry in" $? "$(head -n 3 "$tmp/err")"
    sim fault none
fi
finish
