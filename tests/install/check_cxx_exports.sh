#!/bin/sh
# libkvtconv++ exports the functions kvtconv.hpp declares, and nothing else.
# Usage: check_cxx_exports.sh LIBRARY HEADER
set -e
lib=$1 header=$2
want=$({
  grep -oE '^(SessionHandle|int|void) [A-Za-z0-9_]+\(' "$header" | sed -E 's/^[A-Za-z]+ //; s/\($//'
  echo 'SessionDeleter::operator()'
} | sort | tr '\n' ' ')
nm -DC --defined-only "$lib" | sed -E 's/^[0-9a-f]+ [A-Za-z] //' >"${TMPDIR:-/tmp}/cxx-exports.$$"
got=$(sed -E 's/^kvtconv::(SessionDeleter::operator\(\)|[A-Za-z0-9_]+)\(.*/\1/' "${TMPDIR:-/tmp}/cxx-exports.$$" | sort | tr '\n' ' ')
rm -f "${TMPDIR:-/tmp}/cxx-exports.$$"
[ "$got" = "$want" ] || { echo "declared: $want"; echo "exported: $got"; exit 1; }
readelf -d "$lib" | grep -q 'SONAME.*libkvtconv++\.so\.'
echo "C++ exports ok: $(echo $got | wc -w) functions"
