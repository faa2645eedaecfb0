# Shared by the shell tests: a temporary directory removed on exit, and the
# count of passed and failed checks.  With SIM_ARGS set to "SW53115
# SWITCHSIM [EMULATOR [HOOK]]", also the programs and a simulated switch of
# its own.
set -u
# With PRIVATE_LOCK set (as it is for every script on a simulated switch):
# the script runs again in a mount namespace of its own with an empty
# /var/lock where it can (as root, with unshare), so that it may hold or
# spoil sw53115's table lock, and a lock held elsewhere on the machine does
# not hold it up; LOCK is then the lock file.
LOCK=
[ -z "${SIM_ARGS+set}" ] || PRIVATE_LOCK=1
if [ -n "${PRIVATE_LOCK+set}" ]; then
    if [ "${SW53115_PRIVATE_NS:-}" = 1 ]; then
        mount -t tmpfs tmpfs "$(realpath /var/lock)" && LOCK=/var/lock/sw53115.lock
    elif [ "$(id -u)" = 0 ] && unshare -m true 2>/dev/null; then
        SW53115_PRIVATE_NS=1 exec unshare -m bash "$0" "$@"
    fi
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0 failed=0

ok() { passed=$((passed + 1)); }
bad() { failed=$((failed + 1)); echo "FAIL: $*"; }
check() { # WHAT STATUS DETAIL: passes when STATUS is 0
    if [ "$2" = 0 ]; then ok; else bad "$1: $3"; fi
}
finish() {
    echo "$passed passed, $failed failed"
    [ "$failed" = 0 ]
}

if [ -n "${SIM_ARGS+set}" ]; then
    SW=$1 SIM=$2 EMU=${3:-} HOOK=${4:-}
    export SWITCHSIM_STATE=$tmp/state
    unset SWITCHSIM_LOG
    sw() { $EMU "$SW" "$@"; }
    sim() { $EMU "$SIM" "$@"; }
    # An entry as `switchsim show --json` lists it (bucket and bin left out).
    json_entry() { # MAC VID PORT STATIC AGE VALID TC
        printf '"mac":"%s","vid":%s,"port":%s,"static":%s,"age":%s,"valid":%s,"tc":%s}' "$@"
    }
fi
