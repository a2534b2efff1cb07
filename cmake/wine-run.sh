#!/bin/sh
# Runs a Windows executable under the Wine that fits it (32- or 64-bit), with
# the build's own quiet prefix. The prefix lives in the build folder
# (WINEPREFIX may be given from outside).
# Usage: wine-run.sh PROGRAM.exe [ARGS...]
. "$(dirname "$0")/wine-env.sh"
flavour=$(wine_flavour_of "$1")
[ -n "$flavour" ] || flavour=win32
prefix=${WINEPREFIX:-}
if [ -z "$prefix" ]; then
  bin_dir=$(cd "$(dirname "$1")" && pwd)
  prefix="$(dirname "$bin_dir")/wineprefix"
fi
wine_use "$flavour" "$prefix"
exec "$WINE" "$@"
