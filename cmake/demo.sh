#!/bin/bash
# Builds sw53115 and the simulated switch (in out/demo, apart from the
# tests' builds), then shows a short session.  By hand afterwards:
#   PATH=$PWD/out/demo:$PWD/out/demo/switchsim:$PATH SWITCHSIM_STATE=$PWD/out/demo.state sw53115 arl show
set -euo pipefail
cd "$(dirname "$0")/.."
. cmake/deps.sh
need_packages cmake make g++
cmake -S . -B out/demo -DSW53115_TESTS=OFF >/dev/null
cmake --build out/demo -j "$(nproc)" >/dev/null

# A switch of the demo's own, laid anew each time.
export SWITCHSIM_STATE=$PWD/out/demo.state
rm -f "$SWITCHSIM_STATE"
say() { printf '\n$ %s\n' "$*"; "$@"; }
PATH=$PWD/out/demo:$PWD/out/demo/switchsim:$PATH
say switchsim reset
# A host the switch has learnt, in the bucket that 00:11:22:33:44:55 takes on VLAN 1:
# the write keeps it.
say switchsim add 00:11:22:33:4c:54 1 4
say sw53115 arl write 1 00:11:22:33:44:55 1 0 0 2 3
say sw53115 arl mwrite 1 5 02:00:5e:00:00:fb 0
say sw53115 arl mwrite 0 7 02:00:5e:00:00:16 1
say sw53115 arl show
say switchsim show
say sw53115 arl mdel 1 5 02:00:5e:00:00:fb 0
say sw53115 arl search port 7 --json
# One entry, on its VLAN exactly.
say sw53115 arl get 1 00:11:22:33:44:55
# Many commands in one process, the whole file checked before any of them runs.
printf '# IPTV groups, static, on VLAN 200\narl write 200 01:00:5e:00:01:01 1 1 0 0 2\narl write 200 01:00:5e:00:01:02 1 1 0 0 2\n' >out/demo.batch
say cat out/demo.batch
say sw53115 -batch out/demo.batch
# The static entries saved, the switch reset, and the saved batch put back.
printf '\n$ sw53115 arl save > out/demo.saved\n'
sw53115 arl save >out/demo.saved
say cat out/demo.saved
say switchsim reset
say sw53115 -batch out/demo.saved
say sw53115 arl show
printf '\n# The register accesses of one search, as the simulator logs them:\n'
printf '$ SWITCHSIM_LOG=- sw53115 arl search 01:00:5e:00:01:02\n'
SWITCHSIM_LOG=- sw53115 arl search 01:00:5e:00:01:02 2>&1
