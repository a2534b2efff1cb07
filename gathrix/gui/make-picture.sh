#!/bin/sh
# Takes the documentation's picture of Gathrix: the dialog after a real scan
# of a generated sample tree, with folders and sizes listed. The tree goes to
# C:\samples\gathrix inside the build's Wine prefix, so the picture shows
# plain Windows paths.
#
#   gathrix/gui/make-picture.sh [OUT.png]      (default docs/pictures/gathrix.png)
#
# Uses the Windows build in BUILD_DIR (default build/windows): Gathrix.exe,
# modtools_samples.exe (which writes the tree) and DialogDriver.exe.
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build/windows}
case $BUILD_DIR in /*) ;; *) BUILD_DIR=$ROOT/$BUILD_DIR ;; esac
OUT=${1:-$ROOT/docs/pictures/gathrix.png}
case $OUT in /*) ;; *) OUT=$(pwd)/$OUT ;; esac

"$ROOT/scripts/wine-prefix.sh" "$BUILD_DIR"
SAMPLES=$BUILD_DIR/wineprefix/drive_c/samples/gathrix
rm -rf "$SAMPLES"
mkdir -p "$SAMPLES"
"$ROOT/cmake/wine-run.sh" "$BUILD_DIR/bin/modtools_samples.exe" tree 'C:\samples\gathrix\tree' 40 250000
# The program must start in the picture's own display: wait until this
# Wine session has ended.
WINEPREFIX=$BUILD_DIR/wineprefix wineserver -w || true
BUILD_DIR=$BUILD_DIR "$ROOT/scripts/picture.sh" Gathrix "$OUT" \
  'text:11006:C:\samples\gathrix\tree' 'text:11008:*.*' check:11008 check:11010 check:11012 command:11018 wait:500
