#!/usr/bin/env bash
# Runs one of the build's own Windows programs under 64-bit Wine, in a prefix kept in
# the build folder (made once; a prefix costs seconds to make). Arguments that are
# absolute Unix paths are handed on as the Windows paths of the same files.
#
# usage: wine_build_tool.sh PREFIX PROGRAM.exe ARGS...
set -euo pipefail
prefix=$1 program=$2
shift 2
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINELOADER=/usr/lib/wine/wine64
# A console tool needs no display, and a build may run where there is none.
unset DISPLAY WAYLAND_DISPLAY
if [ ! -x "$WINELOADER" ]; then
  echo "wine_build_tool: $WINELOADER is missing (Debian package wine64)" >&2
  exit 1
fi
if [ ! -f "$prefix/system.reg" ]; then
  rm -rf "$prefix"
  "$WINELOADER" wineboot -i >/dev/null 2>&1 || true
fi
args=()
for a in "$@"; do
  case $a in
    /*) args+=("Z:${a//\//\\}") ;;
    *) args+=("$a") ;;
  esac
done
status=0
"$WINELOADER" "$program" "${args[@]}" || status=$?
wineserver -k >/dev/null 2>&1 || true
exit $status
