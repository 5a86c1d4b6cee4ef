#!/bin/sh
# Bash completion for kvtconv, written from the tool's own --help and each
# subcommand's --help, so that it lists what the tool accepts today.
# Usage: completion.sh CLI OUT
set -e
cli=$1 out=$2

# One line per option of a help text: "names|takes-value|dir|choices".
# An option takes a value when a type word follows its names (TEXT, INT, ...);
# CLI11 lists choices as TEXT:{a,b,c}.
options() {
  "$cli" "$@" --help | awk '
    function flush() {
      if (left == "") return
      n = split(left, w, " ")
      names = w[1]; gsub(",", " ", names)
      takes = (n > 1) ? 1 : 0
      choices = ""
      if (n > 1 && match(w[2], /:\{[^}]*\}/)) {
        choices = substr(w[2], RSTART + 2, RLENGTH - 3); gsub(",", " ", choices)
      }
      dir = (takes && tolower(desc) ~ /director/) ? 1 : 0
      print names "|" takes "|" dir "|" choices
      left = ""
    }
    /^[A-Za-z].*:$/ { flush(); sect = $0; next }
    sect != "Options:" { next }
    /^  -/ {
      flush()
      left = substr($0, 3); desc = ""
      p = index(left, "  ")
      if (p) { desc = substr(left, p); left = substr(left, 1, p - 1) }
      next
    }
    /^    / { desc = desc $0 }  # a description on the lines below its option
    END { flush() }'
}

subs=$("$cli" --help | awk '/^Subcommands:/ { on = 1; next } on && NF == 0 { on = 0 } on { print $1 }')

{
  cat <<'EOF'
# bash completion for kvtconv, generated from its --help; do not edit.
_kvtconv() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev= sub= i
  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
  # The subcommand is the first word that is not an option (options before
  # it take no values).
  for ((i = 1; i < COMP_CWORD; i++)); do
    [[ ${COMP_WORDS[i]} == -* ]] || { sub=${COMP_WORDS[i]}; break; }
  done
  local opts= values= dirs= choices=
  case $sub in
EOF
  line=$(options | awk -F'|' '{ o = o " " $1 } END { print substr(o, 2) }')
  printf "    '') opts='%s' ;;\n" "$line"
  for s in $subs; do
    options "$s" | awk -F'|' -v s="$s" '
      { o = o " " $1 }
      $2 == 1 { split($1, n, " "); for (k in n) v = v "|" n[k] }
      $3 == 1 { split($1, n, " "); for (k in n) d = d "|" n[k] }
      $4 != "" { split($1, n, " "); for (k in n) c = c "      \"" n[k] "\") choices=\x27" $4 "\x27 ;;\n" }
      END {
        printf "    %s) opts=\x27%s\x27 values=\x27%s|\x27 dirs=\x27%s|\x27\n", s, substr(o, 2), v, d
        if (c != "") printf "      case $prev in\n%s      esac ;;\n", c
        else printf "      ;;\n"
      }'
  done
  cat <<'EOF'
    *) COMPREPLY=($(compgen -f -- "$cur")); return ;;
  esac
  if [[ -n $choices ]]; then
    COMPREPLY=($(compgen -W "$choices" -- "$cur"))
  elif [[ -n $prev && $dirs == *"|$prev|"* ]]; then
    COMPREPLY=($(compgen -d -- "$cur"))
  elif [[ -n $prev && $values == *"|$prev|"* ]]; then
    COMPREPLY=($(compgen -f -- "$cur"))
  elif [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$opts" -- "$cur"))
  elif [[ -z $sub ]]; then
EOF
  printf "    COMPREPLY=(\$(compgen -W '%s' -- \"\$cur\"))\n" "$(echo $subs)"
  cat <<'EOF'
  else
    COMPREPLY=($(compgen -f -- "$cur"))
  fi
}
complete -o filenames -F _kvtconv kvtconv
EOF
} >"$out"
