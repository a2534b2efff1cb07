#!/bin/sh
# Runs a Windows executable under the Wine that fits it (32- or 64-bit), with
# the build's own quiet prefix, which lives in the build folder beside bin/.
# A WINEPREFIX from the environment is not used: a user's own prefix may be
# of the other kind (a 32-bit prefix cannot run a 64-bit program), and the
# tests must not change it.
# Usage: wine-run.sh PROGRAM.exe [ARGS...]
. "$(dirname "$0")/wine-env.sh"
flavour=$(wine_flavour_of "$1")
[ -n "$flavour" ] || flavour=win32
bin_dir=$(cd "$(dirname "$1")" && pwd)
wine_use "$flavour" "$(dirname "$bin_dir")/wineprefix"
exec "$WINE" "$@"
