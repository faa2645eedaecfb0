#!/bin/bash
# Runs a command with a table lock of its own: as root with unshare, in a
# mount namespace with an empty /var/lock, so that a test on its own
# simulated switch neither waits for nor spoils the machine's.
# usage: private_lock.sh COMMAND [ARGS...]
if [ "${SW53115_PRIVATE_NS:-}" = 1 ]; then
    mount -t tmpfs tmpfs "$(realpath /var/lock)" || exit 1
elif [ "$(id -u)" = 0 ] && unshare -m true 2>/dev/null; then
    SW53115_PRIVATE_NS=1 exec unshare -m bash "$0" "$@"
fi
exec "$@"
