#!/bin/bash
# The demo's switch, laid anew: hosts it has learnt on VLAN 1 and 17 and an
# IPTV group pinned by hand on VLAN 200.  The README's examples start from
# it, and cmake/demo.sh leaves it so.  Sourced, it defines demo_table (which
# needs switchsim on the PATH, or as a function); run as a command, it lays
# the table on the demo's switch (SWITCHSIM_STATE, default out/demo.state).
demo_table() {
    switchsim reset &&
        switchsim add 00:11:22:33:44:55 1 3 &&
        switchsim add 00:11:22:33:4c:54 1 4 &&
        switchsim add 02:00:00:00:00:04 1 4 --age &&
        switchsim add 02:00:00:00:00:05 17 4 &&
        switchsim add 01:00:5e:00:01:01 200 2 --static
}
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    root=$(cd "$(dirname "$0")/.." && pwd)
    export SWITCHSIM_STATE=${SWITCHSIM_STATE:-$root/out/demo.state}
    PATH=$root/out/demo/switchsim:$PATH
    demo_table
fi
