#!/bin/sh
# Takes the documentation's pictures of Crandle: the dialog after a real
# Import of a sample archive that modtools collects from a generated tree,
# and (crandle-editing.png beside it) after a file was added to it, not yet
# saved.
# The sample goes to C:\samples\crandle inside the build's Wine prefix, so the
# picture shows a plain Windows path.
#
#   crandle/gui/make-picture.sh [OUT.png]      (default docs/pictures/crandle.png)
#
# Uses the Windows build in BUILD_DIR (default build/windows): Crandle.exe,
# modtools_samples.exe, modtools.exe and DialogDriver.exe.
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build/windows}
case $BUILD_DIR in /*) ;; *) BUILD_DIR=$ROOT/$BUILD_DIR ;; esac
OUT=${1:-$ROOT/docs/pictures/crandle.png}
case $OUT in /*) ;; *) OUT=$(pwd)/$OUT ;; esac

"$ROOT/scripts/wine-prefix.sh" "$BUILD_DIR"
SAMPLES=$BUILD_DIR/wineprefix/drive_c/samples/crandle
rm -rf "$SAMPLES"
mkdir -p "$SAMPLES"
"$ROOT/cmake/wine-run.sh" "$BUILD_DIR/bin/modtools_samples.exe" tree 'C:\samples\crandle\tree' 40 250000
"$ROOT/cmake/wine-run.sh" "$BUILD_DIR/bin/modtools.exe" big create 'C:\samples\crandle\tree' -o 'C:\samples\crandle\sample.big'
printf 'speed=12\r\nrange=300\r\n' > "$SAMPLES/extra.ini"
# The program must start in the picture's own display: wait until this
# Wine session has ended.
WINEPREFIX=$BUILD_DIR/wineprefix wineserver -w || true
BUILD_DIR=$BUILD_DIR "$ROOT/scripts/picture.sh" Crandle "$OUT" \
  'text:11008:C:\samples\crandle\sample.big' command:11016 wait:500
# The same Import, then Edit > Add files: extra.ini under Data\INI.
WINEPREFIX=$BUILD_DIR/wineprefix wineserver -w || true
BUILD_DIR=$BUILD_DIR "$ROOT/scripts/picture.sh" Crandle "$(dirname "$OUT")/crandle-editing.png" \
  'text:11008:C:\samples\crandle\sample.big' command:11016 wait:500 menu:11040 \
  'caption:File Dialog - Crandle' 'text:1148:C:\samples\crandle\extra.ini' command:1 \
  'caption:Add to the BIG Archive' 'text:1001:Data\INI' command:1 \
  'caption:Crandle Helper - unsaved changes' wait:500
