#!/bin/sh
# kvtconv(1) from the tool's own help: help2man for the overview, then each
# subcommand's --help as the tool prints it. Usage: man.sh CLI H2M OUT.gz
set -e
cli=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
h2m=$2 out=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# Run as "kvtconv" so the usage lines name the tool, not the build path.
mkdir "$tmp/bin"
ln -s "$cli" "$tmp/bin/kvtconv"
PATH="$tmp/bin:$PATH"
subs=$(kvtconv --help | awk '/^Subcommands:/ { on = 1; next } on && NF == 0 { on = 0 } on { print $1 }')
{
  cat "$h2m"
  echo '[SUBCOMMANDS]'
  for s in $subs; do
    echo ".SS $s"
    echo '.nf'
    # roff: backslashes escaped, no line may start a request.
    kvtconv "$s" --help | sed -e 's/\\/\\e/g' -e "s/^\([.']\)/\\\\\&\1/"
    echo '.fi'
  done
} >"$tmp/include.h2m"
help2man --no-info --name="survey data between the KVT catalogue and instrument and exchange formats" \
  --include="$tmp/include.h2m" --output="$tmp/kvtconv.1" kvtconv
gzip -9n <"$tmp/kvtconv.1" >"$out"
