#!/bin/sh
# The library exports exactly the fourteen conversions and leaves WR_MSG and
# WR_ERROR undefined, to be bound to whatever host loads it.
set -e
lib="$1"
want="DSFL2KVT FRI2KVT GEO2KVT KVT2DSFL KVT2GEO KVT2LEICA KVT2SOKKIA KVT2ZEISS LEICA2KVT SOKKIA2KVT SUB3SKIA SUB3SKIB SUB3SKIC ZEISS2KVT"
got=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TDBRVW]$/ {print $3}' | sort | tr '\n' ' ' | sed 's/ $//')
[ "$got" = "$want" ] || { echo "exported: $got"; exit 1; }
nm -D --undefined-only "$lib" | grep -qw WR_MSG
nm -D --undefined-only "$lib" | grep -qw WR_ERROR
readelf -d "$lib" | grep -q 'NEEDED.*libkvtdll.so'
readelf -d "$lib" | grep -q 'R.*PATH.*\$ORIGIN'
! readelf -d "$lib" | grep -q SYMBOLIC
echo "exports ok"
