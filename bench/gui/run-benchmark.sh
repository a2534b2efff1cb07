#!/bin/sh
# Benchmark of the dialogs under Wine: how long from the click on Import (or
# Scan) until the result is listed, beside the core's own time for the same
# file, and how much memory the program grew by against the listed text.
#   Crandle  Import of archives of 20,000 and 100,000 entries
#   Crandle and Tessaly: Save after one deletion in the archive of 100,000
#            entries and the table of 100,000 labels (click to done)
#   Tessaly  Import of a string table of 100,000 labels, then find in its
#            list: the time from a change of the find text (a keystroke) to
#            the narrowed list, for a few texts
#   Gathrix  Scan of a tree of 60,000 files
#   Yodrel   Import (parse and dump) of an asset index file of 64 MB
# The programs are driven from outside (DialogDriver) on a virtual display;
# the click-to-result time is measured by the driver. The files are written
# and the core's own time is taken by the project's command-line tools of
# the native build on the same machine (printing a core's output under Wine
# costs more than the work itself). Prints figures; checks nothing about time.
# Usage: bench/gui/run-benchmark.sh [windows build, default build/windows64]
set -euf  # no globbing: "*.*" is a filter here
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
cd "$ROOT"
BUILD=${1:-build/windows64}
case $BUILD in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac
BIN=$BUILD/bin
WORK="$ROOT/build/bench-gui"

NATIVE=$ROOT/build/native/bin
if [ -z "${BENCH_DISPLAY_READY:-}" ]; then
  cmake --build "$BUILD" -j2 --target Crandle Tessaly Gathrix Yodrel DialogDriver modtools >/dev/null
  [ -f build/native/CMakeCache.txt ] || cmake --preset native >/dev/null
  cmake --build build/native -j2 --target modtools modtools_samples csf_bench >/dev/null
  "$ROOT/scripts/wine-prefix.sh" "$BUILD"
  BENCH_DISPLAY_READY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

rm -rf "$WORK"
mkdir -p "$WORK"
trap 'rm -rf "$WORK"' EXIT

run() { "$ROOT/cmake/wine-run.sh" "$@"; }
driver() { run "$BIN/DialogDriver.exe" "$@" | tr -d '\r'; }
winpath() { echo "Z:$1" | tr '/' '\\'; }
now() { date +%s.%N; }
kb_of() { awk -v k="$2" '$1 == k":" {print $2}' "/proc/$1/status"; }

# core_time COMMAND...: the seconds of the best of three runs in CORE_T; the
# peak memory of the last run, less that of an empty run of a tool, in CORE_KB.
core_time() {
  best=""
  for run in 1 2 3; do
    t0=$(now)
    /usr/bin/time -f "%M" -o "$WORK/peak.txt" "$@" >/dev/null 2>&1
    t1=$(now)
    best=$(echo "$t0 $t1 ${best:-999999}" | awk '{ d = $2 - $1; printf "%.3f", d < $3 ? d : $3 }')
  done
  /usr/bin/time -f "%M" -o "$WORK/empty.txt" "$NATIVE/modtools" --version >/dev/null 2>&1 || true
  CORE_KB=$(( $(tail -n 1 "$WORK/peak.txt") - $(tail -n 1 "$WORK/empty.txt") ))
  CORE_T=$best
}
# wine_time COMMAND...: the best of three runs under Wine, less the best of
# three empty runs (the start of a Windows program under Wine).
wine_time() {
  best=999999 empty=999999
  for run in 1 2 3; do
    t0=$(now); run "$BIN/DialogDriver.exe" >/dev/null 2>&1 || true; t1=$(now)
    run "$@" >/dev/null 2>&1
    t2=$(now)
    best=$(echo "$t1 $t2 $best" | awk '{ d = $2 - $1; printf "%.3f", d < $3 ? d : $3 }')
    empty=$(echo "$t0 $t1 $empty" | awk '{ d = $2 - $1; printf "%.3f", d < $3 ? d : $3 }')
  done
  echo "$best $empty" | awk '{ d = $1 - $2; printf "%.3f", d < 0 ? 0 : d }'
}
say() { printf '%s\n' "$*"; }

# gui PROGRAM CAPTION LIST_DATA_BYTES SETUP... -- WAIT...: three times:
# starts the program, runs the setup actions, then the waiting driver action,
# and closes it (but for the last run, which the caller closes). Prints the
# best seconds, and the memory the program grew by in the first run beside
# what the core alone takes for the same file (CORE_KB).
gui() {
  program=$1 caption=$2 data=$3
  shift 3
  setup=""
  while [ "$1" != "--" ]; do
    setup="$setup$1
"
    shift
  done
  shift  # the waiting action: four words (the last may be empty)
  best="" grown=0
  for round in 1 2 3; do
    [ "$round" = 1 ] || finish "$caption"
    [ -z "${BEFORE_ROUND:-}" ] || eval "$BEFORE_ROUND"
    run "$BIN/$program.exe" >/dev/null 2>&1 &
    driver "$caption" wait >/dev/null
    printf '%s' "$setup" | while read -r action; do driver "$caption" $action >/dev/null </dev/null; done
    pid=$(pgrep -n -f "$program.exe" || true)
    before=$(kb_of "$pid" VmRSS)
    secs=$(driver "$caption" $1 $2 "$3" ${4:+"$4"})
    [ "$round" = 1 ] && grown=$(( $(kb_of "$pid" VmHWM) - before ))
    best=$(echo "$secs ${best:-999999}" | awk '{ printf "%.2f", $1 < $2 ? $1 : $2 }')
  done
  printf '  %-10s best of 3: %6.2f s   memory +%d kB, %d kB beyond the core alone, for %d kB of listed text\n' \
    "$program" "$best" "$grown" "$((grown - CORE_KB))" "$((data / 1024))"
}

finish() {
  driver "$1" close >/dev/null || true
  wait || true
}

echo "== Crandle: Import"
for entries in 20000 100000; do
  "$NATIVE/modtools_samples" tree "$WORK/tree$entries" "$entries" $((entries * 200)) >/dev/null
  "$NATIVE/modtools" big create "$WORK/tree$entries" -o "$WORK/a$entries.big" >/dev/null
  rm -rf "$WORK/tree$entries"
  "$NATIVE/modtools" big list "$WORK/a$entries.big" > "$WORK/list.txt"
  data=$(wc -c < "$WORK/list.txt")
  core_time "$NATIVE/modtools" big list "$WORK/a$entries.big"
  say " archive of $entries entries: core (list) $CORE_T s, memory $CORE_KB kB; under Wine $(wine_time "$BIN/modtools.exe" big list "$(winpath "$WORK/a$entries.big")") s"
  gui Crandle "Crandle Helper" "$data" "text 11008 $(winpath "$WORK/a$entries.big")" -- \
    clickwait 11016 11012 "BIG Archive was successfully imported ...."
  say "  rows $(driver "Crandle Helper" rows 11010), last: $(driver "Crandle Helper" cell 11010 $((entries - 1)) 1)"
  finish "Crandle Helper"
done

# save_after_edit PROGRAM CAPTION FILE IMPORTED SAVED: three times: starts
# the program, imports FILE, deletes the first row (Home, Del on the list),
# and times the click on Save until the message list says SAVED (the file
# written in place and imported again). Prints the best seconds.
save_after_edit() {
  best=""
  for round in 1 2 3; do
    run "$BIN/$1.exe" >/dev/null 2>&1 &
    driver "$2" wait >/dev/null
    driver "$2" text 11008 "$(winpath "$3")" >/dev/null
    driver "$2" clickwait 11016 11012 "$4" >/dev/null
    driver "$2" key 11010 36 >/dev/null
    driver "$2" key 11010 46 >/dev/null
    # The title says there are unsaved changes until the save is done.
    driver "$2 - unsaved changes" wait >/dev/null
    secs=$(driver "$2 - unsaved changes" clickwait 11036 11012 "$5")
    finish "$2"
    best=$(echo "$secs ${best:-999999}" | awk '{ printf "%.2f", $1 < $2 ? $1 : $2 }')
  done
  printf '  %-10s Save after one deletion, click to done, best of 3: %6.2f s\n' "$1" "$best"
}

echo "== Crandle: Save after one edit of the archive of 100,000 entries"
first=$(awk 'NR == 1 {print $2}' "$WORK/list.txt")
core_time "$NATIVE/modtools" big rm "$WORK/a100000.big" "$first" -o "$WORK/edited.big"
say " core (modtools big rm -o) $CORE_T s, memory $CORE_KB kB"
save_after_edit Crandle "Crandle Helper" "$WORK/a100000.big" "BIG Archive was successfully imported ...." \
  "BIG Archive was saved ...."
rm -f "$WORK/edited.big"

echo "== Tessaly: Import"
# 100,000 labels appended by the core's own Append into a copy of its sample.
"$NATIVE/modtools_samples" csf "$WORK" >/dev/null
awk 'BEGIN { print "AppendList = {MSG*}"
             for (i = 1; i <= 100000; i++) printf "MSG%03d = {BENCH:Label%06d,Text of label number %d with some words}\n", i, i, i }' \
  > "$WORK/labels.cfg"
"$NATIVE/modtools" csf append "$WORK/sample.csf" "$WORK/labels.cfg" >/dev/null
table=$WORK/NEW_sample.csf
"$NATIVE/modtools" csf list "$table" > "$WORK/listing.txt"
labels=$(wc -l < "$WORK/listing.txt")
data=$(wc -c < "$WORK/listing.txt")
core_time "$NATIVE/modtools" csf list "$table"
say " table of $labels labels: core (load and listing) $CORE_T s, memory $CORE_KB kB; under Wine $(wine_time "$BIN/modtools.exe" csf list "$(winpath "$table")") s"
"$NATIVE/csf_bench" 100000 "$WORK" | sed -n '/^load/p' | sed 's/^/  core alone, its own table of 100,000 labels: /'
gui Tessaly "Tessaly Helper" "$data" "text 11008 $(winpath "$table")" -- \
  clickwait 11016 11012 "CSF Archive was successfully imported ...."
say "  rows $(driver "Tessaly Helper" rows 11010), last: $(driver "Tessaly Helper" cell 11010 $((labels - 1)) 1)"
# Find: each text is what the field holds after one more keystroke; the
# first one also lowers the letters of every row once. The rows are drawn
# after that (only the dozen in sight).
say " find in the list of $labels rows (keystroke to narrowed list):"
for text in t te "TEXT OF LABEL NUMBER 7" "label09999" "label099999" "число" ""; do
  set -- $(driver "Tessaly Helper" find 11038 11010 "$text")
  printf '  %-26s %6.3f s  %6d rows\n' "\"$text\"" "$1" "$2"
done
finish "Tessaly Helper"

echo "== Tessaly: Save after one edit of the table of $labels labels"
core_time "$NATIVE/modtools" csf rm "$table" BENCH:Label000001 -o "$WORK/edited.csf"
say " core (modtools csf rm -o) $CORE_T s, memory $CORE_KB kB"
save_after_edit Tessaly "Tessaly Helper" "$table" "CSF Archive was successfully imported ...." "CSF Archive was saved ...."
rm -f "$WORK/edited.csf"

echo "== Gathrix: Scan"
"$NATIVE/modtools_samples" tree "$WORK/scan" 60000 12000000 >/dev/null
"$NATIVE/modtools" scan "$WORK/scan" > "$WORK/scan.txt"
files=$(wc -l < "$WORK/scan.txt")
data=$(wc -c < "$WORK/scan.txt")
core_time "$NATIVE/modtools" scan "$WORK/scan"
say " tree of $files files: core (scan) $CORE_T s, memory $CORE_KB kB; under Wine $(wine_time "$BIN/modtools.exe" scan "$(winpath "$WORK/scan")") s"
gui Gathrix "File Collection Utility" "$data" "text 11006 $(winpath "$WORK/scan")" "text 11008 *.*" "check 11008" -- \
  clickcount 11018 11014 "$files"
say "  first: $(driver "File Collection Utility" line 11014 0), last: $(driver "File Collection Utility" line 11014 $((files - 1)))"
finish "File Collection Utility"

echo "== Yodrel: Import"
"$NATIVE/modtools_samples" asset-bench "$WORK/index.dat" 64 >/dev/null
core_time "$NATIVE/modtools" asset dump "$WORK/index.dat" -o "$WORK/core-dump.txt"
data=$(wc -c < "$WORK/core-dump.txt")
say " index file of 64 MB: core (parse and dump) $CORE_T s, memory $CORE_KB kB; under Wine $(wine_time "$BIN/modtools.exe" asset dump "$(winpath "$WORK/index.dat")" -o "$(winpath "$WORK/wine-dump.txt")") s"
# The import ends when the dump is put in place beside the file.
BEFORE_ROUND='rm -f "$WORK/ZZZ000_Asset.txt"' \
  gui Yodrel "BFME: W3D Yodrel" "$data" "text 11008 $(winpath "$WORK/index.dat")" -- \
  clickfile 11012 "$(winpath "$WORK/ZZZ000_Asset.txt")" ""
say "  (no list: the memory is set against the dump's size) dump $(wc -c < "$WORK/ZZZ000_Asset.txt") bytes, the core's $data bytes"
finish "BFME: W3D Yodrel"
