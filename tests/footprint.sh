#!/bin/bash
# Footprint of the built sw53115: the stripped size within MAX_BYTES (0: no
# limit), no libstdc++ or libgcc_s, and nothing taken at run time but the
# platform functions and what the C library it was linked against exports.
# usage: footprint.sh SW53115 READELF STRIP MAX_BYTES CC [SYSROOT]
SW=$1 READELF=$2 STRIP=$3 MAX=$4 CC=$5 SYSROOT=${6:-}
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

# The C library as the compiler finds it for this target.
soname=$(grep -m1 -E '^libc\.so' <<<"$needed")
libc=$("$CC" ${SYSROOT:+--sysroot="$SYSROOT"} -print-file-name="$soname")
[ -n "$soname" ] && [ -f "$libc" ]
check "C library found" $? "NEEDED '$soname', found '$libc'"
echo "C library: $libc"
"$READELF" --dyn-syms -W "$libc" | awk '$7 != "UND" && $8 != "" { sub(/@.*/, "", $8); print $8 }' |
    sort -u >"$tmp/exported"

# Undefined symbols that must be resolved at run time (weak ones from the C
# start files may stay unresolved).
"$READELF" --dyn-syms -W "$SW" | awk '$7 == "UND" && $5 != "WEAK" && $8 != "" { sub(/@.*/, "", $8); print $8 }' |
    grep -vxE 'get_register|set_register' | sort -u >"$tmp/undefined"
echo "takes from the C library: $(echo $(cat "$tmp/undefined"))"
extra=$(comm -23 "$tmp/undefined" "$tmp/exported")
[ -z "$extra" ]
check "undefined symbols" $? "not exported by $libc: $(echo $extra)"

finish
