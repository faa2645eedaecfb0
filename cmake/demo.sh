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

# A switch of the demo's own.
export SWITCHSIM_STATE=$PWD/out/demo.state
rm -f "$SWITCHSIM_STATE"
say() { printf '\n$ %s\n' "$*"; "$@"; }
PATH=$PWD/out/demo:$PWD/out/demo/switchsim:$PATH
. cmake/demo-table.sh
demo_table
say sw53115 arl show
say sw53115 arl show count
# Which port is a device on, without knowing its VLAN.
say sw53115 arl show mac 00:11:22:33:44:55
# Pin an entry, check it, remove it.
say sw53115 arl add 02:00:00:00:00:10 port 5 vlan 1 static
say sw53115 arl get 1 02:00:00:00:00:10
say sw53115 arl del 02:00:00:00:00:10 vlan 1
# What port 4 learnt, flushed; the static entries stay.
say sw53115 arl flush port 4
say sw53115 arl show --json
# The static entries saved whole, the switch reset, and put back.
say sw53115 arl save out/demo.saved
say cat out/demo.saved
say switchsim reset
say sw53115 arl apply out/demo.saved check
say sw53115 arl apply out/demo.saved
say sw53115 arl show
printf '\n# The register accesses of one lookup, as the simulator logs them:\n'
printf '$ SWITCHSIM_LOG=- sw53115 arl get 200 01:00:5e:00:01:01\n'
SWITCHSIM_LOG=- sw53115 arl get 200 01:00:5e:00:01:01 2>&1
# The switch left as the README's examples find it.
printf '\n# The table laid again, as the README starts from it (bash cmake/demo-table.sh):\n'
demo_table
say sw53115 arl show
