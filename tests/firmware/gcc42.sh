#!/bin/bash
# Stands in for a vendor SDK's gcc 4.2, as gcc or g++ by the name it is
# called by: refuses the options that gcc 4.2 does not know, then runs this
# machine's compiler, linking position-dependent programs as gcc 4.2 does
# by default.  The options, and the release that brought them:
#   -std= past c++98/gnu++98 (and c99)  C++0x in 4.3, C++11 names in 4.7
#   -fmacro-prefix-map=                 8
#   -no-pie                             6
#   -mplt                               4.4
link=-no-pie
for a in "$@"; do
    case $a in
    -c | -S | -E | -shared) link= ;;
    -std=c++98 | -std=gnu++98 | -std=c89 | -std=gnu89 | -std=c99 | -std=gnu99) ;;
    -std=* | -fmacro-prefix-map=* | -no-pie | -mplt)
        echo "${0##*/} (as gcc 4.2): unrecognized option '$a'" >&2
        exit 1
        ;;
    esac
done
exec "/usr/bin/${0##*/}" "$@" $link
