# The demo's switch, laid anew: hosts it has learnt on VLAN 1 and 17 and an
# IPTV group pinned by hand on VLAN 200.  The README's examples start from
# it too (tests/e2e/docs.sh).  Needs switchsim on the PATH, or as a function.
demo_table() {
    switchsim reset &&
        switchsim add 00:11:22:33:44:55 1 3 &&
        switchsim add 00:11:22:33:4c:54 1 4 &&
        switchsim add 02:00:00:00:00:04 1 4 --age &&
        switchsim add 02:00:00:00:00:05 17 4 &&
        switchsim add 01:00:5e:00:01:01 200 2 --static
}
