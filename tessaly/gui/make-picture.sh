#!/bin/sh
# Takes the documentation's pictures of Tessaly: the dialog after a real
# Import of the sample table that modtools_samples writes, and (tessaly-editing.png
# beside it) after a label was added, not yet saved; then (tessaly-scripts.png)
# a table of texts in other scripts, built by modtools from a PO file, and
# (tessaly-find.png) the same list narrowed by the find field. The sample goes to
# C:\samples\tessaly inside the build's Wine prefix, so the picture shows a
# plain Windows path.
#
#   tessaly/gui/make-picture.sh [OUT.png]      (default docs/pictures/tessaly.png)
#
# Uses the Windows build in BUILD_DIR (default build/windows): Tessaly.exe,
# modtools.exe, modtools_samples.exe and DialogDriver.exe.
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
# A table of texts in other scripts: written as a PO file, built by modtools.
cat > "$BUILD_DIR/wineprefix/drive_c/samples/tessaly/scripts.po" <<'PO'
msgid ""
msgstr ""
"Content-Type: text/plain; charset=UTF-8\n"

msgctxt "GUI:Start"
msgid "Start the campaign"
msgstr ""

msgctxt "LANG:Greek"
msgid "Καλημέρα, κόσμε"
msgstr ""

msgctxt "LANG:Russian"
msgid "Начать кампанию"
msgstr ""

msgctxt "LANG:Ukrainian"
msgid "Ласкаво просимо"
msgstr ""

msgctxt "LANG:Polish"
msgid "Zażółć gęślą jaźń"
msgstr ""

msgctxt "LANG:Chinese"
msgid "开始战役"
msgstr ""

msgctxt "LANG:Japanese"
msgid "キャンペーンを開始"
msgstr ""

msgctxt "UNIT:Archer"
msgid "Лучник: стреляет издалека"
msgstr ""

msgctxt "UNIT:Knight"
msgid "Ιππότης: βαριά πανοπλία"
msgstr ""
PO
WINEPREFIX=$BUILD_DIR/wineprefix wineserver -w || true
WINEPREFIX=$BUILD_DIR/wineprefix "$ROOT/cmake/wine-run.sh" "$BUILD_DIR/bin/modtools.exe" csf from-po \
  'C:\samples\tessaly\scripts.po' -o 'C:\samples\tessaly\scripts.csf'
WINEPREFIX=$BUILD_DIR/wineprefix wineserver -w || true
BUILD_DIR=$BUILD_DIR "$ROOT/scripts/picture.sh" Tessaly "$(dirname "$OUT")/tessaly-scripts.png" \
  'text:11008:C:\samples\tessaly\scripts.csf' command:11016 wait:500
# The same list, narrowed by the find field to the labels and texts holding "lang".
WINEPREFIX=$BUILD_DIR/wineprefix wineserver -w || true
BUILD_DIR=$BUILD_DIR "$ROOT/scripts/picture.sh" Tessaly "$(dirname "$OUT")/tessaly-find.png" \
  'text:11008:C:\samples\tessaly\scripts.csf' command:11016 wait:500 'text:11038:lang' wait:300
