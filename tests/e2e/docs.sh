#!/bin/bash
# The documentation against the programs: the manual pages render without a
# warning; the command words of --help, of sw53115(8)'s COMMANDS and of the
# parser's table of forms are one set; --version is one line; and every
# example of the README (an indented line that starts with sw53115 or
# switchsim, or pipes into sw53115) runs, in order, on the demo's switch,
# with status 0 or the one its "# status N" comment gives.
# usage: docs.sh SW53115 SWITCHSIM [EMULATOR]
SIM_ARGS=1 . "$(dirname "$0")/../lib.sh"
src=$(cd "$(dirname "$0")/../.." && pwd)

for page in "$src/man/sw53115.8" "$src/man/switchsim.1"; do
    for width in 60 80 120; do # as man(1) renders at a terminal of that width
        groff -man -Tutf8 -rLL=${width}n -ww -z "$page" >"$tmp/lint" 2>&1 && [ ! -s "$tmp/lint" ]
        check "$(basename "$page") renders cleanly at $width columns" $? "$(head -n 5 "$tmp/lint")"
    done
done

sw --help | sed -n 's/^  arl \([a-z]*\).*/\1/p' | sort -u >"$tmp/help"
sed -n '/^\.SH COMMANDS/,/^\.SH/p' "$src/man/sw53115.8" | sed -n 's/^\.BI\{0,1\} "\{0,1\}arl \([a-z]*\).*/\1/p' |
    sort -u >"$tmp/man"
sed -n 's/^    {{"\([a-z]*\)",.*/\1/p' "$src/cli/forms.cpp" | sort -u >"$tmp/parser"
cmp -s "$tmp/help" "$tmp/parser" && cmp -s "$tmp/man" "$tmp/parser" && [ "$(wc -l <"$tmp/parser")" -ge 13 ]
check "--help, the manual and the parser name the same commands" $? \
    "$(paste "$tmp/help" "$tmp/man" "$tmp/parser")"

for prog in sw sim; do
    $prog --version >"$tmp/out" 2>&1
    [ $? = 0 ] && [ "$(wc -l <"$tmp/out")" = 1 ] && grep -qE '^(sw53115|switchsim) [0-9]+\.[0-9]+' "$tmp/out"
    check "$prog --version" $? "$(cat "$tmp/out")"
done

# The README's examples; its /etc is a directory of the test's own.
sw53115() { sw "$@"; }
switchsim() { sim "$@"; }
. "$src/cmake/demo-table.sh"
mkdir "$tmp/etc" && cd "$tmp" && demo_table || exit 1
n=0
while IFS= read -r line; do
    n=$((n + 1))
    want=$(sed -n 's/.*# status \([0-9]\).*/\1/p' <<<"$line")
    eval "${line//\/etc\//$tmp/etc/}" >"$tmp/out" 2>&1
    rc=$?
    [ "$rc" = "${want:-0}" ]
    check "README: $line" $? "status $rc: $(head -c 300 "$tmp/out")"
done < <(sed -n 's/^    \(\(sw53115\|switchsim\) .*\|.*| sw53115 .*\)$/\1/p' "$src/README.md")
[ $n -ge 10 ]
check "README: its examples found" $? "$n"
finish
