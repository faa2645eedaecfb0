#!/bin/bash
# Builds sw53115 and the simulated switch (in out/demo, apart from the
# tests' builds), then shows a short session.
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
printf '\n$ SWITCHSIM_LOG=- sw53115 arl search 00:11:22:33:44:55\n'
SWITCHSIM_LOG=- sw53115 arl search 00:11:22:33:44:55 2>&1
