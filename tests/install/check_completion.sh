#!/bin/bash
# Sources the bash completion and completes what the tool's help lists: the
# subcommands, each subcommand's options, the --mode choices and directories
# for --par. Usage: check_completion.sh COMPLETION CLI
set -e
source "$1"
cli=$2
fail=0

# Completes the words given, the last one being completed; sets $got.
complete_words() {
  COMP_WORDS=(kvtconv "$@")
  COMP_CWORD=$#
  COMP_LINE="kvtconv $*"
  COMPREPLY=()
  _kvtconv
  got=" ${COMPREPLY[*]} "
}
expect() {  # expect WORD: the last completion offered WORD
  [[ $got == *" $1 "* ]] || { echo "missing '$1' in:$got(for: ${COMP_WORDS[*]})"; fail=1; }
}

subs=$("$cli" --help | awk '/^Subcommands:/ { on = 1; next } on && NF == 0 { on = 0 } on { print $1 }')
complete_words ''
for s in $subs; do expect "$s"; done
complete_words kvt2z
[[ $got == " kvt2zeiss " ]] || { echo "kvt2z gave:$got"; fail=1; }
complete_words --
expect --version
n=0
for s in $subs; do
  complete_words "$s" -
  for o in $("$cli" "$s" --help | awk '/^Options:/ { on = 1; next } /^[A-Za-z]/ { on = 0 } on && /^  -/ { split($1, n, ","); for (i in n) print n[i] }'); do
    expect "$o"
    n=$((n + 1))
  done
done
complete_words zeiss2kvt --mode ''
[[ $got == " append new replace " ]] || { echo "--mode gave:$got"; fail=1; }
scratch=$(mktemp -d)
cd "$scratch"
mkdir pardir
touch pardir-file
complete_words kvt2zeiss --par par
[[ $got == " pardir " ]] || { echo "--par gave:$got"; fail=1; }
complete_words kvt2zeiss --quiet par
expect pardir-file
cd / && rm -r "$scratch"
[ $fail = 0 ]
echo "completion ok: $(wc -w <<<"$subs") subcommands, $n options"
