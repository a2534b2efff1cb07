#!/bin/sh
# Benchmark of the archive core and the folder scanner against their peers:
#   collecting and writing an archive of a 20,000-file tree of about 1.1 GB
#     against tar -cf of the same tree,
#   extracting that archive into an empty folder against tar -xf,
#   scanning a 100,000-file tree against find -printf '%p %s\n'.
# Each command runs three times from a warm cache; the best time counts.
# Prints the times, the ratios (ours / peer) and the peak memory of each run.
# Needs about 5 GB free below build/; everything it writes is deleted at the end.
# Usage: bench/big/run-benchmark.sh [build folder, default build/native]
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
cd "$ROOT"
BUILD=${1:-build/native}
WORK="$ROOT/build/bench-big"

if [ ! -f "$BUILD/CMakeCache.txt" ]; then cmake --preset native -B "$BUILD" >/dev/null; fi
cmake --build "$BUILD" -j2 --target crandle_big gathrix_scan >/dev/null
BIG="$BUILD/bin/crandle_big"
SCAN="$BUILD/bin/gathrix_scan"

free_kb=$(df -Pk "$ROOT/build" | awk 'NR==2 {print $4}')
if [ "$free_kb" -lt 5500000 ]; then
  echo "not enough free space below build/ (need about 5.5 GB, have $((free_kb / 1024)) MB)"
  exit 1
fi

rm -rf "$WORK"
mkdir -p "$WORK"
trap 'rm -rf "$WORK"' EXIT

# best_of3 LABEL COMMAND...: runs the command three times; prints and keeps
# the best wall time in BEST and its peak memory (kB) in PEAK.
best_of3() {
  label=$1
  shift
  BEST=""
  PEAK=0
  for run in 1 2 3; do
    if [ -n "${BEFORE:-}" ]; then sh -c "$BEFORE"; fi
    /usr/bin/time -f "%e %M" -o "$WORK/time.txt" "$@" >/dev/null 2>&1
    read -r secs kb < "$WORK/time.txt"
    if [ -z "$BEST" ] || [ "$(echo "$secs < $BEST" | bc)" = 1 ]; then BEST=$secs; fi
    if [ "$kb" -gt "$PEAK" ]; then PEAK=$kb; fi
  done
  printf '  %-34s %7.2f s   peak %7d kB\n' "$label" "$BEST" "$PEAK"
}
ratio() { echo "scale=3; $1 / $2" | bc; }

echo "== generating 20,000 files, about 1.1 GB (4 large files of 110 MB)"
"$BIG" maketree "$WORK/tree" 20000 1100000000
du -sh "$WORK/tree"
cat $(find "$WORK/tree" -type f) > /dev/null 2>&1 || find "$WORK/tree" -type f -exec cat {} + > /dev/null

echo "== collect and write an archive / tar -cf"
BEFORE="rm -f '$WORK/tree.big'"
best_of3 "crandle_big create" "$BIG" create "$WORK/tree" "$WORK/tree.big"
create_t=$BEST; create_m=$PEAK
BEFORE="rm -f '$WORK/tree.tar'"
best_of3 "tar -cf" tar -cf "$WORK/tree.tar" -C "$WORK/tree" .
tarc_t=$BEST
ls -l "$WORK/tree.big" "$WORK/tree.tar" | awk '{print "  " $5 " bytes  " $NF}'

echo "== extract into an empty folder / tar -xf"
BEFORE="rm -rf '$WORK/x'"
best_of3 "crandle_big extract" "$BIG" extract "$WORK/tree.big" "$WORK/x"
extract_t=$BEST; extract_m=$PEAK
diff -r "$WORK/tree" "$WORK/x" > /dev/null && echo "  extracted tree identical to the source"
rm -rf "$WORK/x"
BEFORE="rm -rf '$WORK/x'; mkdir '$WORK/x'"
best_of3 "tar -xf" tar -xf "$WORK/tree.tar" -C "$WORK/x"
tarx_t=$BEST
rm -rf "$WORK/x" "$WORK/tree.big" "$WORK/tree.tar" "$WORK/tree"
BEFORE=""

echo "== scan 100,000 files / find -printf"
"$BIG" maketree "$WORK/scan" 100000 50000000
best_of3 "gathrix_scan" "$SCAN" "$WORK/scan"
scan_t=$BEST; scan_m=$PEAK
best_of3 "find -printf '%p %s\\n'" find "$WORK/scan" -printf '%p %s\n'
find_t=$BEST
echo "  files seen: $("$SCAN" "$WORK/scan" --quiet 2>/dev/null)"

echo
echo "== ratios (ours / peer; goal: at most 1.2)"
echo "  create  / tar -cf : $(ratio "$create_t" "$tarc_t")   (peak memory $create_m kB)"
echo "  extract / tar -xf : $(ratio "$extract_t" "$tarx_t")   (peak memory $extract_m kB)"
echo "  scan    / find    : $(ratio "$scan_t" "$find_t")   (peak memory $scan_m kB)"
