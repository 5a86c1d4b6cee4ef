#!/bin/sh
# The installed man page renders without warnings and covers the version and
# every subcommand the tool lists. Usage: check_man.sh MANPAGE CLI
set -e
page=$1 cli=$2
text=$(MANWIDTH=80 man --warnings -l "$page" 2>"${TMPDIR:-/tmp}/man-warnings.$$")
warnings=$(cat "${TMPDIR:-/tmp}/man-warnings.$$")
rm -f "${TMPDIR:-/tmp}/man-warnings.$$"
[ -z "$warnings" ] || { echo "$warnings"; exit 1; }
version=$("$cli" --version | awk '{ print $2 }')
echo "$text" | grep -q "^kvtconv $version"
for s in $("$cli" --help | awk '/^Subcommands:/ { on = 1; next } on && NF == 0 { on = 0 } on { print $1 }'); do
  echo "$text" | grep -q "^   $s\$" || { echo "no section for $s"; exit 1; }
  echo "$text" | grep -q "Usage: kvtconv $s " || { echo "no usage for $s"; exit 1; }
done
echo "man page ok: $(echo "$text" | wc -l) lines"
