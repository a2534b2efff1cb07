#!/bin/sh
# Takes the documentation's pictures of Tessaly: the dialog after a real
# Import of the sample table that modtools_samples writes, and (tessaly-editing.png
# beside it) after a label was added, not yet saved. The sample goes to
# C:\samples\tessaly inside the build's Wine prefix, so the picture shows a
# plain Windows path.
#
#   tessaly/gui/make-picture.sh [OUT.png]      (default docs/pictures/tessaly.png)
#
# Uses the Windows build in BUILD_DIR (default build/windows): Tessaly.exe,
# modtools_samples.exe and DialogDriver.exe.
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build/windows}
case $BUILD_DIR in /*) ;; *) BUILD_DIR=$ROOT/$BUILD_DIR ;; esac
OUT=${1:-$ROOT/docs/pictures/tessaly.png}
case $OUT in /*) ;; *) OUT=$(pwd)/$OUT ;; esac

"$ROOT/scripts/wine-prefix.sh" "$BUILD_DIR"
mkdir -p "$BUILD_DIR/wineprefix/drive_c/samples/tessaly"
"$ROOT/cmake/wine-run.sh" "$BUILD_DIR/bin/modtools_samples.exe" csf 'C:\samples\tessaly'
# The program must start in the picture's own display: wait until this
# Wine session has ended.
WINEPREFIX=$BUILD_DIR/wineprefix wineserver -w || true
BUILD_DIR=$BUILD_DIR "$ROOT/scripts/picture.sh" Tessaly "$OUT" \
  'text:11008:C:\samples\tessaly\sample.csf' command:11016 wait:500
# The same Import, then Edit > Add label, not yet saved.
WINEPREFIX=$BUILD_DIR/wineprefix wineserver -w || true
BUILD_DIR=$BUILD_DIR "$ROOT/scripts/picture.sh" Tessaly "$(dirname "$OUT")/tessaly-editing.png" \
  'text:11008:C:\samples\tessaly\sample.csf' command:11016 wait:500 menu:11042 \
  'caption:Add label' 'text:1001:GUI:NewLabel' 'text:1002:A label added in the dialog' command:1 \
  'caption:Tessaly Helper - unsaved changes' wait:500
