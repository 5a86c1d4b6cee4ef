#!/bin/sh
# Every write of every conversion fails once on purpose: for each golden case
# that succeeds, the number of write operations is counted, and then the case
# is run again with operation n failing, for every n. Each such run must end
# with exit status 1, no crash, no main output left and its inputs as they
# were. Usage: sweep.sh SHIM CLI DATA_DIR
set -u
shim=$(realpath "$1")
cli=$(realpath "$2")
data=$3
export SOURCE_DATE_EPOCH=1781618709 LC_ALL=C.UTF-8 ASAN_OPTIONS=verify_asan_link_order=0
runs=0
failures=0

# The file a case's command writes: after -o, else its last word.
main_output() {
  set -- $1
  out=""
  while [ $# -gt 0 ]; do
    if [ "$1" = "-o" ]; then out=$2; fi
    last=$1
    shift
  done
  echo "${out:-$last}"
}

for case in "$data"/*/*/; do
  [ -f "$case/cmd" ] && [ "$(cat "$case/expected/status")" = 0 ] || continue
  cmd=$(sed "s/--keep-errors //" "$case/cmd")
  output=$(main_output "$cmd")
  work=$(mktemp -d)
  cp -r "$case". "$work/"
  rm -rf "$work/expected"
  sums=$(mktemp)
  (cd "$work" && find . -type f | sort | xargs md5sum) >"$sums"
  (cd "$work" && export KVT_FAULT_COUNT="$work.count" LD_PRELOAD="$shim" && eval "\"$cli\" $cmd" >/dev/null 2>&1)
  count=$(cat "$work.count" 2>/dev/null)
  rm -rf "$work" "$work.count"
  if [ "${count:-0}" -lt 1 ]; then
    echo "FAIL $case: no write operation counted" >&2
    failures=$((failures + 1))
    continue
  fi
  n=1
  while [ "$n" -le "$count" ]; do
    work=$(mktemp -d)
    cp -r "$case". "$work/"
    rm -rf "$work/expected"
    (cd "$work" && export KVT_FAULT_AT=$n LD_PRELOAD="$shim" && eval "\"$cli\" $cmd" >stdout 2>stderr)
    status=$?
    runs=$((runs + 1))
    problem=""
    if [ "$status" != 1 ]; then problem="exit status $status"; fi
    if [ -e "$work/$output" ]; then problem="$problem; $output was left"; fi
    if ! (cd "$work" && md5sum --quiet -c "$sums" >/dev/null 2>&1); then problem="$problem; an input changed"; fi
    if ls -a "$work" | grep -q '\.part$'; then problem="$problem; a temporary file was left"; fi
    if [ -n "$problem" ]; then
      echo "FAIL $(basename "$(dirname "$case")")/$(basename "$case") (write $n of $count): $problem" >&2
      sed 's/^/    /' "$work/stderr" >&2
      failures=$((failures + 1))
    fi
    rm -rf "$work"
    n=$((n + 1))
  done
  rm -f "$sums"
done
echo "fault sweep: $runs runs, $failures failed"
[ "$failures" = 0 ] && [ "$runs" -gt 0 ]
