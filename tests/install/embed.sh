#!/bin/sh
# The installed tree as a downstream project sees it: the embedding examples
# built with CMake (find_package) and with pkg-config, then run; every way
# in writes the same Zeiss file.
# Usage: embed.sh PREFIX SOURCE_DIR WORK_DIR [COMPILER_FLAGS]
set -e
prefix=$1 src=$2 work=$3 flags=$4
ex=$src/examples/embedding
in=$src/examples/points.kvt
rm -rf "$work"
mkdir -p "$work/out" "$work/pc"
cp -r "$src/examples/par" "$work/par"
par=$work/par out=$work/out
export SOURCE_DATE_EPOCH=0

echo "== CMake: find_package(kvtconv)"
cmake -S "$ex" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >"$work/cmake.log"
cmake --build "$work/cmake" >>"$work/cmake.log"
b=$work/cmake
"$b/c_host" "$par" "$in" "$out/c.zei" >/dev/null
"$b/dlopen_host" "$prefix/lib/libkvtconv.so" "$par" "$in" "$out/dlopen.zei"
"$b/cxx_threads" "$par" "$in" "$out"
PATH="$prefix/bin:$PATH" "$b/cli_host" "$par" "$in" "$out/cli.zei" >/dev/null
for f in dlopen cli points-0 points-1 points-2 points-3; do cmp "$out/c.zei" "$out/$f.zei"; done
[ -s "$out/points-3.xml" ]

echo "== pkg-config"
export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
# One version everywhere: project(VERSION) in CMakeLists.txt.
version=$("$prefix/bin/kvtconv" --version | awk '{ print $2 }')
[ "$(pkg-config --modversion kvtconv)" = "$version" ]
[ "$(pkg-config --modversion kvtconv++)" = "$version" ]
rpath="-Wl,-rpath,$prefix/lib"
p=$work/pc
# shellcheck disable=SC2046,SC2086
{
  cc $flags "$ex/c_host.c" -o "$p/c_host" $(pkg-config --cflags --libs kvtconv) $rpath
  c++ $flags -std=c++17 -pthread "$ex/cxx_threads.cpp" -o "$p/cxx_threads" \
    $(pkg-config --cflags --libs kvtconv++) $rpath
  cc $flags -rdynamic "$ex/dlopen_host.c" -o "$p/dlopen_host" -ldl
  # The same host without -rdynamic: its WR_MSG stays private.
  cc $flags "$ex/dlopen_host.c" -o "$p/dlopen_hidden" -ldl
}
"$p/c_host" "$par" "$in" "$out/pc.zei" >/dev/null
"$p/cxx_threads" "$par" "$in" "$p" >/dev/null
"$p/dlopen_host" "$prefix/lib/libkvtconv.so" "$par" "$in" "$out/pcd.zei" >/dev/null
for f in pc pcd; do cmp "$out/c.zei" "$out/$f.zei"; done
cmp "$out/c.zei" "$p/points-0.zei"

echo "== dlopen without exported WR_MSG: the defaults take the lines, and say so"
status=0
KVTDLL_WARN_DEFAULT=1 "$p/dlopen_hidden" "$prefix/lib/libkvtconv.so" "$par" "$in" "$out/hidden.zei" \
  >"$work/hidden.out" 2>"$work/hidden.err" || status=$?
cat "$work/hidden.err"
[ "$status" = 1 ]
grep -q 'not exported by this program' "$work/hidden.err"
[ "$(grep -c '^kvtdll: lines go to the default' "$work/hidden.err")" = 1 ]
[ -s "$work/hidden.out" ]  # the default WR_MSG printed the message lines
# Unset, the default stays silent about itself.
"$p/dlopen_hidden" "$prefix/lib/libkvtconv.so" "$par" "$in" "$out/hidden.zei" >/dev/null 2>"$work/quiet.err" || true
! grep -q '^kvtdll:' "$work/quiet.err"
echo "embedding ok"
