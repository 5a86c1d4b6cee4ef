#!/bin/sh
# The installed program, run from a scratch directory, converts instrument
# files of the shapes real instruments write with nothing but its shipped
# tables: GSI-8 and GSI-16, SDR33, M5 and Geodimeter.
# Usage: check.sh PREFIX SOURCE_DIR [--update]
set -eu
prefix=$(realpath "$1")
src=$(realpath "$2")
expected="$src/tests/installed/expected"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export SOURCE_DATE_EPOCH=1781618709 LC_ALL=C.UTF-8
unset KVTCONV_TABLES KVTPAR
kvt="$prefix/bin/kvtconv"

where=$("$kvt" tables | head -n 1)
if [ "$(realpath "$where")" != "$prefix/share/kvtconv" ]; then
  echo "tables found in $where, not in the installation" >&2
  exit 1
fi

cp "$src/examples/gsi/field8.gsi" "$src/examples/gsi/field16.gsi" "$src/examples/geodimeter/job.geo" \
   "$src/tests/data/sokkia/sokkia2kvt-sdr33-job/job33.sdr" \
   "$src/tests/data/zeiss/zeiss2kvt-m5-obs-projekt/m5job.dat" .
"$kvt" leica2kvt --par par field8.gsi field8.kvt
"$kvt" leica2kvt --par par field16.gsi field16.kvt
"$kvt" geo2kvt --par par job.geo job.kvt
"$kvt" sokkia2kvt --par par job33.sdr job33.kvt
"$kvt" zeiss2kvt --par par --header m5job.dat m5job.kvt

if [ "${3:-}" = --update ]; then
  mkdir -p "$expected"
  cp field8.kvt field16.kvt job.kvt job33.kvt m5job.kvt "$expected/"
fi
status=0
for f in "$expected"/*; do
  if ! cmp -s "$f" "$(basename "$f")"; then
    echo "$(basename "$f") differs from the expected file:" >&2
    diff "$f" "$(basename "$f")" >&2 || true
    status=1
  fi
done
exit $status
