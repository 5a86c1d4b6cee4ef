#!/bin/sh
# A real full disk: outputs on a 64 KiB tmpfs. Every run ends with exit
# status 1, leaves nothing on the small file system and its input as it was.
# Needs root to mount; skipped (77) otherwise. Usage: full_disk.sh CLI
set -u
cli=$(realpath "$1")
[ "$(id -u)" = 0 ] || exit 77
work=$(mktemp -d)
small="$work/small"
mkdir -p "$small" "$work/par"
if ! mount -t tmpfs -o size=64k tmpfs "$small" 2>/dev/null; then
  rm -rf "$work"
  exit 77
fi
trap 'umount "$small"; rm -rf "$work"' EXIT
cd "$work"
i=0
while [ $i -lt 5000 ]; do
  echo " 6 P$i K $((1000 + i)).125 $((2000 + i)).5 3.25"
  i=$((i + 1))
done >in.kvt
sum=$(md5sum <in.kvt)
"$cli" kvt2zeiss --par par in.kvt zeiss.rec >/dev/null 2>&1
failures=0
check() {
  status=$1
  shift
  if [ "$status" != 1 ] || [ -n "$(ls -A "$small")" ] || [ "$(md5sum <in.kvt)" != "$sum" ]; then
    echo "FAIL $*: status $status, left: $(ls -A "$small")" >&2
    failures=$((failures + 1))
  fi
  rm -rf "${small:?}"/* "$small"/.[!.]* 2>/dev/null
}
"$cli" kvt2zeiss --par par in.kvt "$small/out.rec" >/dev/null 2>&1; check $? kvt2zeiss
"$cli" kvt2leica --par par --gsi 16 in.kvt "$small/out.gsi" >/dev/null 2>&1; check $? kvt2leica
"$cli" zeiss2kvt --par par --coordinates zeiss.rec "$small/out.kvt" >/dev/null 2>&1; check $? zeiss2kvt
"$cli" convert --par par in.kvt "$small/out.sdr" >/dev/null 2>&1; check $? convert
echo "full disk: 4 runs, $failures failed"
[ "$failures" = 0 ]
