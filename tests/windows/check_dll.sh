#!/bin/sh
# Static checks of the cross-built DLLs, from their PE headers and code:
#  - kvtconv.dll is 32-bit and exports exactly the fourteen conversions under
#    their plain names (no _NAME@N decoration), nothing else;
#  - each export is stdcall: its own code ends in "ret N" with N = 4 bytes
#    per argument, one int32 length per text argument included;
#  - WR_MSG and WR_ERROR are imported from kvtdll.dll under their plain names;
#  - no MinGW runtime DLL is needed beside it (only Windows' own DLLs);
#  - the default kvtdll.dll exports WR_MSG and WR_ERROR the same way.
# Usage: check_dll.sh OBJDUMP KVTCONV_DLL KVTDLL_DLL
set -eu
objdump=$1
dll=$2
kvtdll=$3
fail=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Declared arguments of each export: i = int32 *, f = float *, t = text
# (char * plus one int32 length after all declared arguments).
signatures="
ZEISS2KVT iiittt
SOKKIA2KVT ittti
LEICA2KVT itttt
GEO2KVT itttt
KVT2GEO ttt
KVT2LEICA ittt
KVT2SOKKIA ittt
KVT2ZEISS ttt
KVT2DSFL iiiififiiitttttttttttt
DSFL2KVT ifffiiiiittttttt
FRI2KVT iitttt
SUB3SKIA ttt
SUB3SKIB ttt
SUB3SKIC tttttt
"

dwords() {  # the callee-pop size in dwords of one signature
  sig=$1
  n=$(printf '%s' "$sig" | wc -c)
  t=$(printf '%s' "$sig" | tr -cd 't' | wc -c)
  echo $((n + t))
}

bad() {
  echo "FAIL: $*"
  fail=1
}

# Export table: the names of "[Ordinal/Name Pointer] Table" with their RVAs.
exports() {  # file -> "NAME RVA" lines
  "$objdump" -p "$1" | awk '
    /^Export Address Table -- Ordinal Base/ { eat = 1; next }
    eat && /^\t\[ *[0-9]+\] \+base\[ *[0-9]+\] [0-9a-f]+ Export RVA/ {
      sub(/.*\] /, ""); rva[n++] = $1; next }
    eat && /^$/ { eat = 0 }
    /^\[Ordinal\/Name Pointer\] Table/ { names = 1; next }
    names && /^\t\[ *[0-9]+\] / {
      line = $0; sub(/^\t\[ */, "", line); ord = line + 0
      sub(/^[0-9]+\] /, "", line); print line, rva[ord]; next }
    names && /^$/ { names = 0 }'
}

# Imports: "DLL NAME" per imported name, and a lone "DLL" for each DLL.
imports() {
  "$objdump" -p "$1" | awk '
    /^\tDLL Name: / { dll = $3; print dll; next }
    dll && /^\t[0-9a-f]+\t +[0-9]+  / { print dll, $3; next }
    /^$/ { dll = "" }'
}

image_base() {
  "$objdump" -p "$1" | awk '$1 == "ImageBase" { print $2; exit }'
}

# The callee-pop sizes of the function at one address: every "ret" of its
# body, following a leading jmp (a thunk) to where it goes.
pops_at() {  # disassembly-file address(hex, no 0x)
  awk -v want="$2" '
    function hex(s,   i, c, v) {
      v = 0; s = tolower(s)
      for (i = 1; i <= length(s); i++) {
        c = index("0123456789abcdef", substr(s, i, 1)) - 1
        v = v * 16 + c
      }
      return v
    }
    BEGIN { target = hex(want); hops = 0 }
    { lines[NR] = $0 }
    /^[0-9a-f]+ <.*>:$/ { start[hex($1)] = NR }
    END {
      while (hops < 4) {
        if (!(target in start)) { print "nolabel"; exit }
        first = ""; out = ""
        for (i = start[target] + 1; i <= NR && lines[i] != ""; i++) {
          split(lines[i], f, "\t")
          ins = f[2]; gsub(/^ +| +$/, "", ins); gsub(/ +/, " ", ins)
          if (first == "") first = ins
          if (ins ~ /^ret/) out = out " " ins
        }
        if (out == "" && first ~ /^jmp +[0-9a-f]+ </) {
          split(first, j, /[ <]+/); target = hex(j[2]); hops++; continue
        }
        print (out == "" ? "none" : substr(out, 2)); exit
      }
      print "loop"
    }' "$1"
}

# --- kvtconv.dll ---------------------------------------------------------
"$objdump" -f "$dll" | grep -q 'file format pei-i386' || bad "$dll is not a 32-bit PE image"

exports "$dll" >"$tmp/exports"
echo "== exports of $(basename "$dll")"
cat "$tmp/exports"
want=$(printf '%s\n' "$signatures" | awk 'NF { print $1 }' | sort)
got=$(awk '{ print $1 }' "$tmp/exports" | sort)
[ "$got" = "$want" ] || bad "export names differ from the fourteen conversions: $(echo $got)"
grep -q '@' "$tmp/exports" && bad "decorated export names"

base=$(image_base "$dll")
"$objdump" -d --no-show-raw-insn "$dll" >"$tmp/disasm"
echo "== callee-pop sizes"
printf '%s\n' "$signatures" | while read -r name sig; do
  [ -n "$name" ] || continue
  expect=$(( $(dwords "$sig") * 4 ))
  rva=$(awk -v n="$name" '$1 == n { print $2 }' "$tmp/exports")
  if [ -z "$rva" ]; then
    echo "FAIL: $name not exported"
    echo 1 >"$tmp/failed"
    continue
  fi
  addr=$(printf '%x' $((0x$base + 0x$rva)))
  rets=$(pops_at "$tmp/disasm" "$addr")
  expect_hex=$(printf '0x%x' "$expect")
  status=ok
  for r in $(printf '%s\n' "$rets" | sed 's/ret \$/ret$/g'); do
    [ "$r" = "ret\$$expect_hex" ] || status=FAIL
  done
  case "$rets" in none | nolabel | loop | "") status=FAIL ;; esac
  printf '%-11s %2d dwords  expect ret $%-5s got %s  %s\n' "$name" $((expect / 4)) "$expect_hex" "$rets" "$status"
  [ "$status" = ok ] || echo 1 >"$tmp/failed"
done
[ -f "$tmp/failed" ] && bad "callee-pop sizes"

imports "$dll" >"$tmp/imports"
echo "== imports of $(basename "$dll")"
awk 'NF == 1' "$tmp/imports"
kvt=$(awk 'tolower($1) == "kvtdll.dll" && NF == 2 { print $2 }' "$tmp/imports" | sort | tr '\n' ' ')
echo "kvtdll.dll: $kvt"
[ "$kvt" = "WR_ERROR WR_MSG " ] || bad "imports from kvtdll.dll: $kvt"
others=$(awk 'NF == 1 { d = tolower($1); if (d != "kernel32.dll" && d != "msvcrt.dll" && d != "kvtdll.dll") print $1 }' "$tmp/imports")
[ -z "$others" ] || bad "needs DLLs beside it: $others"

# --- the default kvtdll.dll -----------------------------------------------
exports "$kvtdll" >"$tmp/kexports"
echo "== exports of $(basename "$kvtdll")"
cat "$tmp/kexports"
[ "$(awk '{ print $1 }' "$tmp/kexports" | sort | tr '\n' ' ')" = "WR_ERROR WR_MSG " ] ||
  bad "kvtdll.dll exports"
kbase=$(image_base "$kvtdll")
"$objdump" -d --no-show-raw-insn "$kvtdll" >"$tmp/kdisasm"
while read -r name rva; do
  rets=$(pops_at "$tmp/kdisasm" "$(printf '%x' $((0x$kbase + 0x$rva)))")
  echo "$name: $rets"
  for r in $(printf '%s\n' "$rets" | sed 's/ret \$/ret$/g'); do
    [ "$r" = 'ret$0x4' ] || bad "$name of kvtdll.dll pops $rets"
  done
done <"$tmp/kexports"
others=$(imports "$kvtdll" | awk 'NF == 1 { d = tolower($1); if (d != "kernel32.dll" && d != "msvcrt.dll") print $1 }')
[ -z "$others" ] || bad "kvtdll.dll needs DLLs beside it: $others"

if [ "$fail" = 0 ]; then
  echo "dll checks ok"
else
  exit 1
fi
