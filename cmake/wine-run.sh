#!/bin/sh
# Runs a Windows executable under Wine with the build's own quiet prefix.
# The prefix lives in the build folder (WINEPREFIX may be given from outside).
# Usage: wine-run.sh PROGRAM.exe [ARGS...]
if [ -z "$WINEPREFIX" ]; then
  bin_dir=$(cd "$(dirname "$1")" && pwd)
  WINEPREFIX="$(dirname "$bin_dir")/wineprefix"
  export WINEPREFIX
fi
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win32
exec wine "$@"
