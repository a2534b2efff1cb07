#!/bin/sh
# Benchmark of the dialogs under Wine: how long from the click on Import (or
# Scan, or Save) until the result is listed, beside the same core's work done
# by the native command-line tool on the same file, and, for a reader, the
# same command-line work by the Windows modtools.exe under Wine (what Wine
# adds, against what the dialog adds). Memory: how much the program grew by
# against what the core alone takes for the same file.
#   Crandle  Import of an archive of 100,000 entries; Save after one
#            deletion (click to done: written in place and imported again)
#   Tessaly  Import of a string table of 100,008 labels; Save after one
#            deletion; find in its list: the time from a change of the find
#            text (a keystroke) to the narrowed list, for a few texts
#   Gathrix  Scan of a tree of 60,000 files
#   Yodrel   Import (parse and dump) of an asset index file of 64 MB
# Each also on inputs of 1/16 and 1/4 of the entries, labels, files or bytes,
# for the scaling. With --quick: 16,000 entries, labels and files, 16 MB,
# without the smaller inputs, the core under Wine, the find and Yodrel.
# The programs are driven from outside (DialogDriver) on a virtual display;
# the click-to-result time is measured by the driver. The files are written
# by the project's command-line tools of the native build. Prints figures;
# checks nothing about time.
# Usage: bench/gui/run-benchmark.sh [--quick] [windows build; default
#   build/windows where this host runs 32-bit programs, else build/windows64]
set -euf  # no globbing: "*.*" is a filter here
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
cd "$ROOT"
QUICK=""
if [ "${1:-}" = --quick ]; then QUICK=1; shift; fi
if [ -n "${1:-}" ]; then
  BUILD=$1
else
  . "$ROOT/scripts/host.sh"
  host_check_32bit
  if [ "$HOST_RUNS_32BIT" = yes ]; then BUILD=build/windows; else BUILD=build/windows64; fi
fi
case $BUILD in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac
BIN=$BUILD/bin
ROWS=100000 FILES=60000 MEGABYTES=64
[ -z "$QUICK" ] || { ROWS=16000 FILES=16000 MEGABYTES=16; }

NATIVE=$ROOT/build/native/bin
if [ -z "${BENCH_DISPLAY_READY:-}" ]; then
  command -v xvfb-run >/dev/null || { echo "needs xvfb-run (Debian package xvfb)" >&2; exit 1; }
  if [ ! -f "$BUILD/CMakeCache.txt" ]; then cmake --preset "$(basename "$BUILD")" >/dev/null; fi
  if [ -z "${BENCH_BUILT:-}" ]; then
    cmake --build "$BUILD" -j2 --target Crandle Tessaly Gathrix Yodrel DialogDriver modtools >/dev/null
  fi
  . "$ROOT/bench/lib.sh"
  build_native modtools modtools_samples csf_bench
  "$ROOT/scripts/wine-prefix.sh" "$BUILD"
  BENCH_DISPLAY_READY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" ${QUICK:+--quick} "$BUILD"
fi

. "$ROOT/bench/lib.sh"
fresh_work "$ROOT/build/bench-gui"
# Each round starts Windows programs: --quick takes the largest inputs only,
# and leaves out the core under Wine, Tessaly's find and Yodrel.
[ -z "$QUICK" ] || FACTORS=16

run() { "$ROOT/cmake/wine-run.sh" "$@"; }
# One Wine server for the whole run, kept five seconds after its last
# program (the gaps between programs are shorter): each program's start then
# costs the same.
(. "$ROOT/cmake/wine-env.sh"
 wine_use "$(wine_flavour_of "$BIN/modtools.exe")" "$BUILD/wineprefix"
 "$WINESERVER_CMD" -p5 >/dev/null 2>&1 </dev/null || true)
mb() { awk -v k="$1" 'BEGIN { printf "%.1f MB", k / 1024 }'; }
driver() { run "$BIN/DialogDriver.exe" "$@" | tr -d '\r'; }
winpath() { echo "Z:$1" | tr '/' '\\'; }
# kb_of PID FIELD: that memory field in kB; 0 when the process is gone.
kb_of() {
  kb=$(awk -v k="$2" '$1 == k":" {print $2}' "/proc/$1/status" 2>/dev/null || true)
  echo "${kb:-0}"
}
say() { printf '%s\n' "$*"; }
EMPTY_KB=$(/usr/bin/time -f "%M" "$NATIVE/modtools" --version 2>&1 >/dev/null | tail -n 1)

# core NAME FACTOR LABEL COMMAND...: the native command's best of three
# (kept as NAME for the scaling), its time in CORE_T and what it takes
# beyond an empty run of the tool in CORE_KB.
core() {
  name=$1 factor=$2 label=$3
  shift 3
  best_of3 "native core: $label" "$@"
  keep "core$name" "$factor"
  CORE_T=$BEST
  CORE_KB=$((PEAK - EMPTY_KB))
}

# wine_core LABEL COMMAND...: the same command by the Windows modtools.exe under
# Wine, best of three, less the best of three empty runs of it taken just
# before (the start of a Windows program under Wine), in WINE_T.
wine_core() {
  WINE_T=""
  [ -z "$QUICK" ] || return 0
  best_of3 "under Wine: modtools.exe --version" "$ROOT/cmake/wine-run.sh" "$BIN/modtools.exe" --version
  WINE_EMPTY=$BEST
  label=$1
  shift
  best_of3 "under Wine: modtools.exe $label" "$ROOT/cmake/wine-run.sh" "$BIN/modtools.exe" "$@"
  WINE_T=$(echo "$BEST $WINE_EMPTY" | awk '{ d = $1 - $2; printf "%.3f", d < 0 ? 0 : d }')
  say "  under Wine, less its start: $WINE_T s"
}

# pid_of NAME.exe: the newest process of that program in this build's Wine
# prefix (other prefixes may run the same program at the same time).
pid_of() {
  found=""
  for p in $(pgrep -f "$1" || true); do
    # Only the program itself, not a shell that started it and has gone.
    case $(cat "/proc/$p/comm" 2>/dev/null) in *.exe) ;; *) continue ;; esac
    if tr '\0' '\n' < "/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$BUILD/wineprefix"; then found=$p; fi
  done
  echo "$found"
}

finish() {
  driver "$1" close >/dev/null || true
  wait || true
}

# gui NAME FACTOR PROGRAM CAPTION SETUP... -- WAIT...: best of three rounds
# of: start the program, run the setup actions, then the waiting driver
# action (its seconds are the round's time). The program of the last round
# stays open for the caller to look at and close. Keeps the time as NAME and
# the most the program grew by in a round in PEAK.
gui() {
  name=$1 factor=$2 program=$3 caption=$4
  shift 4
  setup=""
  while [ "$1" != "--" ]; do
    setup="$setup$1
"
    shift
  done
  shift  # the waiting action: four words (the last may be empty)
  OPEN=""
  SELF_TIMED=1 best_of3 "$program, click to result" gui_round "$@"
  keep "$name" "$factor"
}
gui_round() {
  [ -z "$OPEN" ] || finish "$OPEN"
  run "$BIN/$program.exe" >/dev/null 2>&1 &
  OPEN=$caption
  driver "$caption" wait >/dev/null
  printf '%s' "$setup" | while read -r action; do driver "$caption" $action >/dev/null </dev/null; done
  pid=$(pid_of "$program.exe")
  before=$(kb_of "$pid" VmRSS)
  secs=$(driver "$caption" $1 $2 "$3" ${4:+"$4"})
  echo "$secs $(( $(kb_of "$pid" VmHWM) - before ))"
}

# save_after_edit NAME FACTOR PROGRAM CAPTION FILE IMPORTED SAVED: best of
# three rounds of: start the program, import FILE, delete the first row
# (Home, Del on the list), and time the click on Save until the message list
# says SAVED (the file written in place and imported again).
save_after_edit() {
  name=$1 factor=$2
  shift 2
  SELF_TIMED=1 best_of3 "$1, Save after one deletion" save_round "$@"
  keep "$name" "$factor"
}
save_round() {
  run "$BIN/$1.exe" >/dev/null 2>&1 &
  driver "$2" wait >/dev/null
  driver "$2" text 11008 "$(winpath "$3")" >/dev/null
  driver "$2" clickwait 11016 11012 "$4" >/dev/null
  driver "$2" key 11010 36 >/dev/null
  driver "$2" key 11010 46 >/dev/null
  # The title says there are unsaved changes until the save is done.
  driver "$2 - unsaved changes" wait >/dev/null
  driver "$2 - unsaved changes" clickwait 11036 11012 "$5"
  finish "$2"
}

# dialog_result COMMAND INPUT NAME PEER [NOTE]: the RESULT line of the
# dialog's time kept as NAME against the native core's kept as coreNAME.
dialog_result() {
  eval "ours=\$T_$3_16 peer=\$T_core$3_16"
  result "$1" "$2" "$ours" "$PEAK" "native core: $4" "$peer" 1.5 "${5:-}"
}

for factor in $FACTORS; do
  rows=$((ROWS * factor / 16))
  files=$((FILES * factor / 16))
  megabytes=$((MEGABYTES * factor / 16))
  top=""
  [ "$factor" != 16 ] || top=1

  echo
  echo "== Crandle: Import of an archive of $(thousands "$rows") entries"
  "$NATIVE/modtools_samples" tree "$WORK/tree" "$rows" $((rows * 200)) >/dev/null
  "$NATIVE/modtools" big create "$WORK/tree" -o "$WORK/a.big" >/dev/null
  rm -rf "$WORK/tree"
  # The writing and removing of the tree settle before anything is timed.
  sync
  "$NATIVE/modtools" big list "$WORK/a.big" > "$WORK/list.txt"
  data=$(wc -c < "$WORK/list.txt")
  core crandle "$factor" "modtools big list" "$NATIVE/modtools" big list "$WORK/a.big"
  [ -z "$top" ] || wine_core "big list" big list "$(winpath "$WORK/a.big")"
  BEFORE=""
  gui crandle "$factor" Crandle "Crandle Helper" "text 11008 $(winpath "$WORK/a.big")" -- \
    clickwait 11016 11012 "BIG Archive was successfully imported ...."
  say "  rows $(driver "Crandle Helper" rows 11010), last: $(driver "Crandle Helper" cell 11010 $((rows - 1)) 1)"
  finish "Crandle Helper"
  if [ -n "$top" ]; then
    dialog_result "Crandle: Import" "archive of $(thousands "$rows") entries" crandle "modtools big list" \
      "${WINE_T:+core under Wine $WINE_T s; }memory beyond the core $(mb $((PEAK - CORE_KB))) for $(mb $((data / 1024))) listed"
  fi

  echo "== Crandle: Save after one deletion in the archive of $(thousands "$rows") entries"
  first=$(awk 'NR == 1 {print $2}' "$WORK/list.txt")
  BEFORE="rm -f '$WORK/edited.big'"
  core crandlesave "$factor" "modtools big rm -o" "$NATIVE/modtools" big rm "$WORK/a.big" "$first" -o "$WORK/edited.big"
  [ -z "$top" ] || wine_core "big rm -o" big rm "$(winpath "$WORK/a.big")" "$first" -o "$(winpath "$WORK/edited.big")"
  BEFORE=""
  save_after_edit crandlesave "$factor" Crandle "Crandle Helper" "$WORK/a.big" \
    "BIG Archive was successfully imported ...." "BIG Archive was saved ...."
  [ -z "$top" ] || dialog_result "Crandle: Save after one edit" "archive of $(thousands "$rows") entries" \
    crandlesave "modtools big rm -o" "${WINE_T:+core under Wine $WINE_T s}"
  rm -f "$WORK/edited.big" "$WORK/a.big"

  echo
  echo "== Tessaly: Import of a table of $(thousands "$rows") labels and the sample's"
  # The labels appended by the core's own Append into a copy of its sample.
  "$NATIVE/modtools_samples" csf "$WORK" >/dev/null
  awk -v n="$rows" 'BEGIN { print "AppendList = {MSG*}"
             for (i = 1; i <= n; i++) printf "MSG%03d = {BENCH:Label%06d,Text of label number %d with some words}\n", i, i, i }' \
    > "$WORK/labels.cfg"
  "$NATIVE/modtools" csf append "$WORK/sample.csf" "$WORK/labels.cfg" >/dev/null
  sync
  table=$WORK/NEW_sample.csf
  "$NATIVE/modtools" csf list "$table" > "$WORK/listing.txt"
  labels=$(wc -l < "$WORK/listing.txt")
  data=$(wc -c < "$WORK/listing.txt")
  # The dialog's core work is the whole table's load (the list then reads
  # its rows from the table as it shows them); csf list streams the table
  # and holds none of it, which the note gives beside.
  core tessaly "$factor" "the table loaded whole (csf_bench load)" "$NATIVE/csf_bench" load "$table"
  if [ -n "$top" ]; then
    best_of3 "native: modtools csf list (streamed)" "$NATIVE/modtools" csf list "$table"
    STREAMED_T=$BEST
  fi
  if [ -n "$top" ] && [ -z "$QUICK" ]; then
    wine_core "csf list" csf list "$(winpath "$table")"
  fi
  gui tessaly "$factor" Tessaly "Tessaly Helper" "text 11008 $(winpath "$table")" -- \
    clickwait 11016 11012 "CSF Archive was successfully imported ...."
  say "  rows $(driver "Tessaly Helper" rows 11010), last: $(driver "Tessaly Helper" cell 11010 $((labels - 1)) 1)"
  if [ -n "$top" ]; then
    dialog_result "Tessaly: Import" "table of $(thousands "$labels") labels" tessaly "the table loaded whole" \
      "streamed modtools csf list $STREAMED_T s; ${WINE_T:+csf list under Wine $WINE_T s; }memory beyond the core $(mb $((PEAK - CORE_KB))) for $(mb $((data / 1024))) listed"
    if [ -z "$QUICK" ]; then
      # Find: each text is what the field holds after one more keystroke; the
      # first one also lowers the letters of every row once. The rows are
      # drawn after that (only the dozen in sight).
      say " find in the list of $labels rows (keystroke to narrowed list):"
      for text in t te "TEXT OF LABEL NUMBER 7" "label09999" "label099999" "число" ""; do
        set -- $(driver "Tessaly Helper" find 11038 11010 "$text")
        printf '  %-26s %6.3f s  %6d rows\n' "\"$text\"" "$1" "$2"
      done
    fi
  fi
  finish "Tessaly Helper"

  echo "== Tessaly: Save after one deletion in the table of $(thousands "$labels") labels"
  BEFORE="rm -f '$WORK/edited.csf'"
  core tessalysave "$factor" "modtools csf rm -o" "$NATIVE/modtools" csf rm "$table" BENCH:Label000001 -o "$WORK/edited.csf"
  [ -z "$top" ] || wine_core "csf rm -o" csf rm "$(winpath "$table")" BENCH:Label000001 -o "$(winpath "$WORK/edited.csf")"
  BEFORE=""
  save_after_edit tessalysave "$factor" Tessaly "Tessaly Helper" "$table" \
    "CSF Archive was successfully imported ...." "CSF Archive was saved ...."
  [ -z "$top" ] || dialog_result "Tessaly: Save after one edit" "table of $(thousands "$labels") labels" \
    tessalysave "modtools csf rm -o" "${WINE_T:+core under Wine $WINE_T s}"

  echo
  echo "== Gathrix: Scan of a tree of $(thousands "$files") files"
  "$NATIVE/modtools_samples" tree "$WORK/scan" "$files" $((files * 200)) >/dev/null
  sync
  "$NATIVE/modtools" scan "$WORK/scan" > "$WORK/scan.txt"
  seen=$(wc -l < "$WORK/scan.txt")
  data=$(wc -c < "$WORK/scan.txt")
  core gathrix "$factor" "modtools scan" "$NATIVE/modtools" scan "$WORK/scan"
  [ -z "$top" ] || wine_core scan scan "$(winpath "$WORK/scan")"
  gui gathrix "$factor" Gathrix "File Collection Utility" "text 11006 $(winpath "$WORK/scan")" "text 11008 *.*" "check 11008" -- \
    clickcount 11018 11014 "$seen"
  say "  first: $(driver "File Collection Utility" line 11014 0), last: $(driver "File Collection Utility" line 11014 $((seen - 1)))"
  finish "File Collection Utility"
  [ -z "$top" ] || dialog_result "Gathrix: Scan" "tree of $(thousands "$seen") files" gathrix "modtools scan" \
    "${WINE_T:+core under Wine $WINE_T s; }memory beyond the core $(mb $((PEAK - CORE_KB))) for $(mb $((data / 1024))) listed"
  rm -rf "$WORK/scan"

  if [ -n "$QUICK" ]; then find "$WORK" -mindepth 1 -delete; continue; fi
  echo
  echo "== Yodrel: Import of an index file of $megabytes MB"
  "$NATIVE/modtools_samples" asset-bench "$WORK/index.dat" "$megabytes" >/dev/null
  # Each run starts with the last run's 100 MB dump written out and removed,
  # for the command and the dialog alike.
  BEFORE="rm -f '$WORK/core-dump.txt'; sync"
  core yodrel "$factor" "modtools asset dump" "$NATIVE/modtools" asset dump "$WORK/index.dat" -o "$WORK/core-dump.txt"
  "$NATIVE/modtools" asset dump "$WORK/index.dat" -o "$WORK/core-dump.txt" >/dev/null
  data=$(wc -c < "$WORK/core-dump.txt")
  BEFORE="rm -f '$WORK/wine-dump.txt'; sync"
  [ -z "$top" ] || wine_core "asset dump" asset dump "$(winpath "$WORK/index.dat")" -o "$(winpath "$WORK/wine-dump.txt")"
  # The import ends when the dump is put in place beside the file.
  BEFORE="rm -f '$WORK/ZZZ000_Asset.txt'; sync"
  gui yodrel "$factor" Yodrel "BFME: W3D Yodrel" "text 11008 $(winpath "$WORK/index.dat")" -- \
    clickfile 11012 "$(winpath "$WORK/ZZZ000_Asset.txt")" ""
  BEFORE=""
  say "  dump $(wc -c < "$WORK/ZZZ000_Asset.txt") bytes, the core's $data bytes"
  finish "BFME: W3D Yodrel"
  [ -z "$top" ] || dialog_result "Yodrel: Import" "index file of $megabytes MB" yodrel "modtools asset dump" \
    "${WINE_T:+core under Wine $WINE_T s; }memory beyond the core $(mb $((PEAK - CORE_KB))) (no list: a dump of $(mb $((data / 1024))))"
  find "$WORK" -mindepth 1 -delete
done

rows="$(thousands $((ROWS / 16))) / $(thousands $((ROWS / 4))) / $(thousands "$ROWS")"
scaling "Crandle: Import" "$rows entries" crandle
scaling "Crandle: Save after one edit" "$rows entries" crandlesave
scaling "Tessaly: Import" "$rows labels" tessaly
scaling "Tessaly: Save after one edit" "$rows labels" tessalysave
scaling "Gathrix: Scan" "$(thousands $((FILES / 16))) / $(thousands $((FILES / 4))) / $(thousands "$FILES") files" gathrix
[ -n "$QUICK" ] || scaling "Yodrel: Import" "$((MEGABYTES / 16)) / $((MEGABYTES / 4)) / $MEGABYTES MB" yodrel
