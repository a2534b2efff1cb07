#!/bin/sh
# Takes PNG pictures of the dialog programs' windows, under a virtual X
# display and Wine.
#
#   scripts/picture.sh
#       the empty dialog of each of the four programs, into docs/pictures/
#   scripts/picture.sh PROGRAM OUT.png [ACTION ...]
#       one program, after the scripted actions, in the given order:
#         text:ID:TEXT   put TEXT into the control with that id
#         command:ID     click the button with that id
#         menu:ID        choose the menu command with that id
#         caption:TEXT   act from now on in the window of that caption (a
#                        box the program opened, or its new title)
#         check:ID       tick the check box with that id
#         wait:MS        wait that many milliseconds
#       e.g. scripts/picture.sh Gathrix out.png text:11006:C:\\data check:11008
#
# The programs come from the Windows build in BUILD_DIR (default
# build/windows; scripts/build.sh windows makes it). ImageMagick takes the
# picture from the display.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build/windows}
case $BUILD_DIR in /*) ;; *) BUILD_DIR=$ROOT/$BUILD_DIR ;; esac
BIN=$BUILD_DIR/bin

# Start over inside a virtual display of its own.
if [ -z "${PICTURE_DISPLAY_READY:-}" ]; then
  for tool in xvfb-run import wine; do
    command -v $tool >/dev/null || { echo "picture.sh: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
  done
  [ -x "$BIN/DialogDriver.exe" ] || { echo "picture.sh: no Windows build in $BUILD_DIR (run scripts/build.sh windows)" >&2; exit 1; }
  "$ROOT/scripts/wine-prefix.sh" "$BUILD_DIR"
  PICTURE_DISPLAY_READY=1 BUILD_DIR=$BUILD_DIR exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

caption_of() {
  case $1 in
    Tessaly) echo "Tessaly Helper" ;;
    Crandle) echo "Crandle Helper" ;;
    Gathrix) echo "File Collection Utility" ;;
    Yodrel) echo "BFME: W3D Yodrel" ;;
    *) echo "picture.sh: unknown program $1 (Tessaly, Crandle, Gathrix or Yodrel)" >&2; return 1 ;;
  esac
}

driver() {
  "$ROOT/cmake/wine-run.sh" "$BIN/DialogDriver.exe" "$@"
}

# shoot PROGRAM OUT.png [ACTION ...]
shoot() {
  program=$1 out=$2
  shift 2
  caption=$(caption_of "$program")
  [ -f "$BIN/$program.exe" ] || { echo "picture.sh: $BIN/$program.exe is not built" >&2; return 1; }
  "$ROOT/cmake/wine-run.sh" "$BIN/$program.exe" &
  pid=$!
  status=0
  if driver "$caption" wait; then
    for action in "$@"; do
      case $action in
        text:*) rest=${action#text:}; driver "$caption" text "${rest%%:*}" "${rest#*:}" || status=1 ;;
        command:*) driver "$caption" command "${action#command:}" || status=1 ;;
        menu:*) driver "$caption" menu "${action#menu:}" || status=1 ;;
        caption:*) caption=${action#caption:}; driver "$caption" wait || status=1 ;;
        check:*) driver "$caption" check "${action#check:}" || status=1 ;;
        wait:*) sleep "$(echo "${action#wait:}" | awk '{ printf "%.3f", $1 / 1000 }')" ;;
        *) echo "picture.sh: unknown action $action" >&2; status=1 ;;
      esac
    done
    sleep 1  # let the window finish painting
    set -- $(driver "$caption" rect | tr -d '\r')
    mkdir -p "$(dirname "$out")"
    import -window root -crop "${1}x${2}+${3}+${4}" +repage "$out" && echo "picture: $out"
    driver "$caption" close || true
    # A program with unsaved changes asks first (a box under its own name): No.
    if [ "$caption" != "$(caption_of "$program")" ]; then
      sleep 1
      driver "$(caption_of "$program")" command 7 || true
    fi
  else
    status=1
  fi
  wait $pid || true
  return $status
}

if [ $# -eq 0 ]; then
  for program in Tessaly Crandle Gathrix Yodrel; do
    lower=$(echo "$program" | tr 'A-Z' 'a-z')
    shoot "$program" "$ROOT/docs/pictures/$lower-empty.png"
  done
else
  [ $# -ge 2 ] || { echo "usage: picture.sh [PROGRAM OUT.png [ACTION ...]]" >&2; exit 2; }
  program=$1 out=$2
  shift 2
  case $out in /*) ;; *) out=$(pwd)/$out ;; esac
  shoot "$program" "$out" "$@"
fi
