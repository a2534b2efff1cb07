#!/bin/sh
# Benchmark of the dialogs under Wine: how long from the click on Import (or
# Scan) until the result is listed, beside the core's own time for the same
# file, and how much memory the program grew by against the listed text.
#   Crandle  Import of archives of 20,000 and 100,000 entries
#   Tessaly  Import of a string table of 100,000 labels
#   Gathrix  Scan of a tree of 60,000 files
# The programs are driven from outside (DialogDriver) on a virtual display;
# the click-to-result time is measured by the driver, the core's time by
# the project's command-line tools under the same Wine (less the start of an
# empty run of the tool). Prints figures; checks nothing about time.
# Usage: bench/gui/run-benchmark.sh [windows build, default build/windows64]
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
cd "$ROOT"
BUILD=${1:-build/windows64}
case $BUILD in /*) ;; *) BUILD=$ROOT/$BUILD ;; esac
BIN=$BUILD/bin
WORK="$ROOT/build/bench-gui"

if [ -z "${BENCH_DISPLAY_READY:-}" ]; then
  cmake --build "$BUILD" -j2 --target Crandle Tessaly Gathrix DialogDriver crandle_big gathrix_scan CsfTool >/dev/null
  # The string table comes from the core's own benchmark writer (native build).
  [ -f build/native/CMakeCache.txt ] || cmake --preset native >/dev/null
  cmake --build build/native -j2 --target csf_bench >/dev/null
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

# core_time COMMAND...: seconds of a run of a core tool, less an empty run.
core_time() {
  t0=$(now); run "$BIN/gathrix_scan.exe" >/dev/null 2>&1 || true; t1=$(now)
  run "$@" >/dev/null 2>&1
  t2=$(now)
  echo "$t0 $t1 $t2" | awk '{ d = ($3 - $2) - ($2 - $1); if (d < 0) d = 0; printf "%.3f", d }'
}

# gui PROGRAM CAPTION LIST_DATA_BYTES SETUP... -- WAIT...: starts the program,
# runs the setup actions, then the waiting driver action; prints the seconds
# and the memory the program grew by.
gui() {
  program=$1 caption=$2 data=$3
  shift 3
  run "$BIN/$program.exe" >/dev/null 2>&1 &
  driver "$caption" wait >/dev/null
  while [ "$1" != "--" ]; do
    driver "$caption" $1 >/dev/null
    shift
  done
  shift
  pid=$(pgrep -n -f "$program.exe" || true)
  before=$(kb_of "$pid" VmRSS)
  secs=$(driver "$caption" "$@")
  peak=$(kb_of "$pid" VmHWM)
  GUI_SECONDS=$secs
  printf '  %-30s %8.2f s   memory +%d kB for %d kB of listed text\n' "$program" "$secs" "$((peak - before))" "$((data / 1024))"
}
finish() {
  driver "$1" close >/dev/null || true
  wait || true
}

echo "== Crandle: Import"
for entries in 20000 100000; do
  run "$BIN/crandle_big.exe" maketree "$(winpath "$WORK/tree$entries")" "$entries" $((entries * 200)) >/dev/null
  run "$BIN/crandle_big.exe" create "$(winpath "$WORK/tree$entries")" "$(winpath "$WORK/a$entries.big")" >/dev/null
  rm -rf "$WORK/tree$entries"
  run "$BIN/crandle_big.exe" list "$(winpath "$WORK/a$entries.big")" > "$WORK/list.txt"
  data=$(wc -c < "$WORK/list.txt")
  core=$(core_time "$BIN/crandle_big.exe" list "$(winpath "$WORK/a$entries.big")")
  echo " archive of $entries entries: core (list) $core s"
  gui Crandle "Crandle Helper" "$data" "text 11008 $(winpath "$WORK/a$entries.big")" -- \
    clickwait 11016 11012 "BIG Archive was successfully imported ...."
  echo "  rows $(driver "Crandle Helper" rows 11010), last: $(driver "Crandle Helper" cell 11010 $((entries - 1)) 1)"
  finish "Crandle Helper"
done

echo "== Tessaly: Import"
build/native/bin/csf_bench 100000 "$WORK" | sed -n '1p;/^load/p' | sed 's/^/  core: /'
table=$WORK/csf_bench_table.csf
run "$BIN/CsfTool.exe" list "$(winpath "$table")" "$(winpath "$WORK/listing.txt")" >/dev/null
data=$(wc -c < "$WORK/listing.txt")
core=$(core_time "$BIN/CsfTool.exe" list "$(winpath "$table")" "$(winpath "$WORK/listing.txt")")
echo " table of 100,000 labels: core (load and listing) $core s"
gui Tessaly "Tessaly Helper" "$data" "text 11008 $(winpath "$table")" -- \
  clickwait 11016 11012 "CSF Archive was successfully imported ...."
echo "  rows $(driver "Tessaly Helper" rows 11010), last: $(driver "Tessaly Helper" cell 11010 99999 1)"
finish "Tessaly Helper"

echo "== Gathrix: Scan"
run "$BIN/crandle_big.exe" maketree "$(winpath "$WORK/scan")" 60000 12000000 >/dev/null
run "$BIN/gathrix_scan.exe" "$(winpath "$WORK/scan")" > "$WORK/scan.txt"
files=$(grep -c -v '\\$' "$WORK/scan.txt" || true)
files=$((files - 1))  # less the totals line
data=$(wc -c < "$WORK/scan.txt")
core=$(core_time "$BIN/gathrix_scan.exe" "$(winpath "$WORK/scan")" --quiet)
echo " tree of $files files: core (scan) $core s"
gui Gathrix "File Collection Utility" "$data" "text 11006 $(winpath "$WORK/scan")" "text 11008 *.*" "check 11008" -- \
  clickcount 11018 11014 "$files"
echo "  lines $files, last: $(driver "File Collection Utility" line 11014 $((files - 1)))"
finish "File Collection Utility"
