#!/bin/bash
# Catalogue of malformed sw53115 command lines: each must print the full usage
# (the short one where word 1 is not "arl"), one line on stderr naming the
# word at fault, exit 2 and touch no register; the requests for the usage
# print it and exit 0.
# usage: bad_input.sh SW53115 SWITCHSIM [EMULATOR]
SIM_ARGS=1 . "$(dirname "$0")/../lib.sh"
M=001122334455

sim reset || exit 1
sw arl >"$tmp/full"
printf '\nUsage:\n\nARL Usage:\n\n\t%s arl\n\n' "$SW" >"$tmp/short"
cp "$SWITCHSIM_STATE" "$tmp/before"

# expect_usage USAGE WORD...: runs sw53115 with the words and a register log;
# `help` expects the short usage, status 0 and nothing on stderr.
expect_usage() {
    local usage=$1 want=2 lines=1
    shift
    [ "$usage" != help ] || usage=short want=0 lines=0
    rm -f "$tmp/log"
    SWITCHSIM_LOG=$tmp/log sw "$@" >"$tmp/out" 2>"$tmp/err"
    local rc=$? why=
    [ $rc = "$want" ] || why="status $rc"
    cmp -s "$tmp/out" "$tmp/$usage" || why="$why; not the $usage usage"
    [ "$(wc -l <"$tmp/err")" = $lines ] && { [ $lines = 0 ] || grep -q "^$SW: .*'.*': expected\|^$SW: .*: missing .*: expected" "$tmp/err"; } ||
        why="$why; stderr: $(head -c 200 "$tmp/err")"
    [ ! -s "$tmp/log" ] || why="$why; registers touched: $(head -n 2 "$tmp/log")"
    cmp -s "$SWITCHSIM_STATE" "$tmp/before" || why="$why; switch changed"
    check "$(printf '%q ' "$@")" "${#why}" "${why#; }"
}

# Every wrong word count of every command (counting word 0).
for cmd in read search get write mwrite mdel show save; do
    case $cmd in
    read | get) valid=" 4 5 " ;;
    show | save) valid=" 3 " ;;
    search) valid=" 4 " ;;
    write) valid=" 10 " ;;
    *) valid=" 7 " ;;
    esac
    for count in $(seq 3 12); do
        case $valid in *" $count "*) continue ;; esac
        words=(arl "$cmd")
        while [ $((${#words[@]} + 1)) -lt "$count" ]; do words+=(1); done
        [ "$count" -gt 3 ] && words[${#words[@]} - 1]=$M
        expect_usage full "${words[@]}"
    done
done

long=$(printf '0%.0s' $(seq 1000))
for h in "" -h --help; do expect_usage help $h; done
while IFS= read -r line; do
    [ -n "$line" ] || continue
    eval "expect_usage $line"
done <<CASES
short ''
short ARL read $M
short 'arl ' read $M
full arl ''
full arl '' $M
full arl read ''
full arl read '' $M
full arl search ''
full arl write 1 $M 1 0 0 0 ''
full arl mwrite '' 3 $M 1
full arl write 256 $M 1 0 0 0 1
full arl write 1 $M 1 0 0 0 16
full arl write 1 $M 1 0 0 8 1
full arl write 1 $M 2 0 0 0 1
full arl write 1 $M 1 2 0 0 1
full arl write 1 $M 1 0 2 0 1
full arl mwrite 0 16 $M 1
full arl mwrite 2 3 $M 1
full arl mdel 0 3 $M 2
full arl read 4294967296 $M
full arl write 4294967296 $M 1 0 0 0 1
full arl write 1 $M 1 0 0 0 4294967296
full arl write 1 $M 1 0 0 4294967297 1
full arl write 99999999999999999999 $M 1 0 0 0 1
full arl mdel 0 99999999999999999999 $M 0
full arl read -1 $M
full arl read +1 $M
full arl read ' 1' $M
full arl read '1 ' $M
full arl read '1 2' $M
full arl read 0x1 $M
full arl read 0X01 $M
full arl write 1 $M -0 0 0 0 1
full arl write 1 $M 1 0 0 +7 1
full arl write 1 $M 1 0 0 0 0xf
full arl write 1 $M 1 $'\t0' 0 0 1
full arl write 1e0 $M 1 0 0 0 1
full arl read 00112233445
full arl read 0011223344556
full arl read $long
full arl search 00112233445
full arl search 0011223344556
full arl search $long
full arl read 00:11:22:33:44:5
full arl read 00:11:22:33:44:555
full arl read 00-11-22-33-44-55
full arl read 00:11-22:33:44:55
full arl read 00.11.22.33.44.55
full arl read 0011:22334455
full arl read :00:11:22:33:44:5
full arl read 00::11:22:33:44:5
full arl read 0x0011223344
full arl read ' 01122334455'
full arl read zz1122334455
full arl read $'00112233445\xe9'
full arl read $'0011223344\xc3\xa9'
full arl read $'00:11:22:33:44:\xc3\xa9'
full arl read $'\xff\xfe\xfd\xfc\xfb\xfa\xf9\xf8\xf7\xf6\xf5\xf4'
full arl write 1 g01122334455 1 0 0 0 1
full arl mwrite 0 3 00:11:22:33:44:5G 1
full arl show --JSON
full arl show json
full arl show --json --json
full arl show ''
full arl search port
full arl search port ''
full arl search port 16
full arl search port -1
full arl search port +3
full arl search port 0x3
full arl search port 4294967299
full arl search port 3 x
full arl search port 3 --json x
full arl search port 3 --json --json
full arl search Port 3
full arl search port3
full arl save --json
full arl get 1 $M --json x
full arl get 256 $M
full arl writ 1 $M 1 0 0 0 1
CASES

finish
