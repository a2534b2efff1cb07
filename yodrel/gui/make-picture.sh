#!/bin/sh
# Takes the documentation's picture of Yodrel: the dialog after a real
# Import of the two sample index files that modtools_samples writes (their dumps
# are published beside them). The samples go to C:\samples\yodrel inside the
# build's Wine prefix, so the picture shows plain Windows paths.
#
#   yodrel/gui/make-picture.sh [OUT.png]       (default docs/pictures/yodrel.png)
#
# Uses the Windows build in BUILD_DIR (default build/windows): Yodrel.exe,
# modtools_samples.exe and DialogDriver.exe.
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build/windows}
case $BUILD_DIR in /*) ;; *) BUILD_DIR=$ROOT/$BUILD_DIR ;; esac
OUT=${1:-$ROOT/docs/pictures/yodrel.png}
case $OUT in /*) ;; *) OUT=$(pwd)/$OUT ;; esac

"$ROOT/scripts/wine-prefix.sh" "$BUILD_DIR"
mkdir -p "$BUILD_DIR/wineprefix/drive_c/samples/yodrel"
"$ROOT/cmake/wine-run.sh" "$BUILD_DIR/bin/modtools_samples.exe" asset 'C:\samples\yodrel'
# The program must start in the picture's own display: wait until this
# Wine session has ended.
WINEPREFIX=$BUILD_DIR/wineprefix wineserver -w || true
BUILD_DIR=$BUILD_DIR "$ROOT/scripts/picture.sh" Yodrel "$OUT" \
  'text:11008:C:\samples\yodrel\first.dat' 'text:11014:C:\samples\yodrel\second.dat' command:11012 wait:500
