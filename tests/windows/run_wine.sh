#!/bin/sh
# Runs a Windows program under wine, quietly and without a display;
# absolute POSIX paths among its arguments are given as their Z: names.
# Usage: run_wine.sh WINE PROGRAM [ARG...]   (WINEPREFIX from the caller)
set -eu
wine=$1
prog=$2
shift 2
n=$#
while [ "$n" -gt 0 ]; do
  a=$1
  shift
  case $a in
    /*) a="Z:$(printf '%s' "$a" | tr / '\\')" ;;
  esac
  set -- "$@" "$a"
  n=$((n - 1))
done
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
exec "$wine" "$prog" "$@"
