#!/bin/bash
# Catalogue of malformed sw53115 command lines: each must print the full usage
# (the short one where word 1 is not "arl"), then one line on stderr naming
# the word at fault (USAGE:WORD: that word), exit 2 and touch no register;
# the requests for the help print it and exit 0.
# usage: bad_input.sh SW53115 SWITCHSIM [EMULATOR]
SIM_ARGS=1 . "$(dirname "$0")/../lib.sh"
M=001122334455

sim reset || exit 1
cd "$tmp" || exit 1 # where a save FILE would land
sw arl >"$tmp/full"
sw --help >"$tmp/help"
printf '\nUsage:\n\nARL Usage:\n\n\t%s arl\n\n' "$SW" >"$tmp/short"
cp "$SWITCHSIM_STATE" "$tmp/before"

# expect_usage USAGE[:WORD] WORD...: runs sw53115 with the words and a
# register log; `help` expects the help with status 0 and nothing on
# stderr, `none` the short usage with status 0 and where to look next.  A
# malformed command other than the chip's five leaves standard output empty:
# its one line, then its own help, on stderr; with -j the chip's usage goes
# to stderr too.
expect_usage() {
    local usage=${1%%:*} named=${1#*:} want=2 lines=1 json= cmd=
    shift
    [ "$named" != "$usage" ] || named=
    case $usage in help) want=0 lines=0 ;; none) want=0 ;; esac
    [ "$usage" != none ] || { usage=short named="$SW --help"; }
    local w=("$@")
    [ "${w[0]:-}" != -j ] || { json=1 && w=("${w[@]:1}"); }
    case ${w[0]:-} in -batch | -force) cmd=-batch ;; arl) cmd=${w[1]:-} ;; esac
    case $usage:$cmd in
    full:get | full:show | full:add | full:replace | full:del | full:flush | full:save | \
        full:apply | full:monitor | short:-batch) usage=own && sw help "$cmd" >"$tmp/own" ;;
    full:*) [ -z "$json" ] || usage=jfull ;;
    esac
    rm -f "$tmp/log"
    SWITCHSIM_LOG=$tmp/log sw "$@" >"$tmp/out" 2>"$tmp/err"
    local rc=$? why=
    [ $rc = "$want" ] || why="status $rc"
    case $usage in
    own) [ ! -s "$tmp/out" ] && tail -n +2 "$tmp/err" | cmp -s - "$tmp/own" && lines=$(($(wc -l <"$tmp/own") + 1)) ||
        why="$why; not the error line, then the help of $cmd on stderr alone" ;;
    jfull) [ ! -s "$tmp/out" ] && head -n -1 "$tmp/err" | cmp -s - "$tmp/full" && lines=$(($(wc -l <"$tmp/full") + 1)) ||
        why="$why; not the full usage on stderr alone" ;;
    *) cmp -s "$tmp/out" "$tmp/$usage" || why="$why; not the $usage usage" ;;
    esac
    local said=$tmp/err
    [ "$usage" != jfull ] || { tail -n 1 "$tmp/err" >"$tmp/said" && said=$tmp/said; }
    [ "$(wc -l <"$tmp/err")" = $lines ] && { [ $lines = 0 ] || grep -q "^$SW: .*'.*': expected\|^$SW: .*: missing .*: expected\|^Try '" "$said"; } &&
        { [ -z "$named" ] || grep -qF "'$named'" "$said"; } ||
        why="$why; stderr: $(head -c 200 "$tmp/err")"
    [ ! -s "$tmp/log" ] || why="$why; registers touched: $(head -n 2 "$tmp/log")"
    cmp -s "$SWITCHSIM_STATE" "$tmp/before" || why="$why; switch changed"
    check "$(printf '%q ' "$@")" "${#why}" "${why#; }"
}

# Every wrong word count of every command (counting word 0).
for cmd in read search get write mwrite mdel del save; do
    case $cmd in
    read | get | del) valid=" 4 5 " ;;
    save) valid=" 3 4 " ;;
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
expect_usage none
for h in -h --help help "arl help"; do expect_usage help $h; done
# The line naming the fault comes after the usage, last on a terminal.
sw arl writ >"$tmp/both" 2>&1
[ "$(tail -n 1 "$tmp/both")" = "$SW: arl: unknown command 'writ': expected read, search, get, show, write, add, replace, mwrite, mdel, del, flush, save, apply, monitor or help" ]
check "the error line last" $? "$(tail -n 2 "$tmp/both")"
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
full:4 arl add $M port 1 tc 4
full:dynamic arl add $M port 1 static dynamic
full:permanent arl replace $M permanent port 1 permanent
full arl add $M vlan 1
full:vlan arl show vid 1 vlan 2
full:vlan arl del 1 $M vlan 2
full:count arl flush count
full:-j -j arl write 1 $M 1 0 0 0 1
full:-j -j arl show --json
short:-force -force
short:-force -force -batch x -force
short:-batch -batch
short:extra -batch x extra
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
full:extra arl get 1 $M extra
full:--json arl read $M --json
full:256 arl del 256 $M
full:x arl del 1 $M x
full:vid arl show vid
full:256 arl show vid 256
full:vid arl show vid 1 vid 2
full:dynamic arl show static dynamic
full:16 arl show port 16
full:0011 arl show mac 0011
full:x arl show --json x
full:all arl show all
full:all arl flush static all
full:port arl flush port
full:--json arl save --json
full:b arl save a b
full arl apply
full:--x arl apply --x
full:prune arl apply f prune prune
full:x arl apply f x
full:99 arl monitor interval 99
full:60001 arl monitor interval 60001
full:0 arl monitor count 0
full:1 arl monitor flap 1 10
full:flap arl monitor flap 3
full:prune arl monitor prune
CASES

finish
