#!/bin/bash
# Footprint of the built sw53115: the stripped size within MAX_BYTES (0: no
# limit), no libstdc++ or libgcc_s, and no symbol from the C library beyond
# the list that uClibc provides as well.
# usage: footprint.sh SW53115 READELF STRIP MAX_BYTES ALLOWED_SYMBOLS_FILE
SW=$1 READELF=$2 STRIP=$3 MAX=$4 ALLOWED=$5
. "$(dirname "$0")/lib.sh"

"$STRIP" -o "$tmp/sw53115" "$SW"
size=$(stat -c %s "$tmp/sw53115")
echo "stripped sw53115: $size bytes"
[ "$MAX" = 0 ] || [ "$size" -le "$MAX" ]
check "size" $? "$size bytes, budget $MAX"

needed=$("$READELF" -d "$SW" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
echo "needs: $(echo $needed)"
! grep -qE 'libstdc\+\+|libgcc_s' <<<"$needed"
check "run-time libraries" $? "$(echo $needed)"

# Undefined symbols that must be resolved at run time (weak ones from the C
# start files may stay unresolved).
"$READELF" --dyn-syms -W "$SW" | awk '$7 == "UND" && $5 != "WEAK" && $8 != "" { sub(/@.*/, "", $8); print $8 }' |
    sort -u >"$tmp/undefined"
grep -vE '^(#|$)' "$ALLOWED" | sort -u >"$tmp/allowed"
extra=$(comm -23 "$tmp/undefined" "$tmp/allowed")
[ -z "$extra" ]
check "undefined symbols" $? "not on the allowed list: $(echo $extra)"

finish
