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
    "$SW: $tmp/bad:4: arl: unknown command 'shw': expected read, search, get, show, write, mwrite, mdel, del, flush, save, apply, monitor or help" >"$tmp/want"
same "$tmp/want" "$tmp/err" "malformed lines said"
sim show --json >"$tmp/json"
same "$tmp/batch.json" "$tmp/json" "malformed lines: the table"

# A full bucket in the middle (bucket 5 holds two entries already).
printf 'arl write 2 02:00:00:00:00:01 1 0 0 0 3\narl write 1 02:00:00:00:01:04 1 0 0 0 3\narl write 2 02:00:00:00:00:02 1 0 0 0 3\n' >"$tmp/full"
for force in "" -force; do
    sim reset
    sw -batch "$tmp/b" >/dev/null
    run_batch 1 "full bucket $force" $force -batch "$tmp/full" $force
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
finish
