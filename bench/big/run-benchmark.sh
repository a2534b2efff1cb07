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
cmake --build "$BUILD" -j2 --target modtools modtools_samples >/dev/null
MODTOOLS="$BUILD/bin/modtools"
SAMPLES="$BUILD/bin/modtools_samples"

free_kb=$(df -Pk "$ROOT/build" | awk 'NR==2 {print $4}')
if [ "$free_kb" -lt 5500000 ]; then
  echo "not enough free space below build/ (need about 5.5 GB, have $((free_kb / 1024)) MB)"
  exit 1
fi

rm -rf "$WORK"
mkdir -p "$WORK"
trap 'rm -rf "$WORK"' EXIT

. "$ROOT/bench/lib.sh"

echo "== generating 20,000 files, about 1.1 GB (4 large files of 110 MB)"
"$SAMPLES" tree "$WORK/tree" 20000 1100000000
du -sh "$WORK/tree"
cat $(find "$WORK/tree" -type f) > /dev/null 2>&1 || find "$WORK/tree" -type f -exec cat {} + > /dev/null

echo "== collect and write an archive / tar -cf"
BEFORE="rm -f '$WORK/tree.big'"
best_of3 "modtools big create" "$MODTOOLS" big create "$WORK/tree" -o "$WORK/tree.big"
create_t=$BEST; create_m=$PEAK
BEFORE="rm -f '$WORK/tree.tar'"
best_of3 "tar -cf" tar -cf "$WORK/tree.tar" -C "$WORK/tree" .
tarc_t=$BEST
ls -l "$WORK/tree.big" "$WORK/tree.tar" | awk '{print "  " $5 " bytes  " $NF}'

echo "== edit in place: replace one small entry, add one file / cp of the archive"
first=$("$MODTOOLS" big list "$WORK/tree.big" | awk '$1 < 10000 {print $2; exit}')
printf 'replaced = 1\n' > "$WORK/small.ini"
BEFORE=""
best_of3 "modtools big replace" "$MODTOOLS" big replace "$WORK/tree.big" "$first" "$WORK/small.ini"
replace_t=$BEST; replace_m=$PEAK
BEFORE="'$MODTOOLS' big rm '$WORK/tree.big' bench-added.ini >/dev/null 2>&1 || true"
best_of3 "modtools big add" "$MODTOOLS" big add "$WORK/tree.big" "$WORK/small.ini" --as bench-added.ini
add_t=$BEST; add_m=$PEAK
BEFORE="rm -f '$WORK/copy.big'"
best_of3 "cp" cp "$WORK/tree.big" "$WORK/copy.big"
cp_t=$BEST
rm -f "$WORK/copy.big"
"$MODTOOLS" big rm "$WORK/tree.big" bench-added.ini >/dev/null

echo "== extract into an empty folder / tar -xf"
BEFORE="rm -rf '$WORK/x'"
best_of3 "modtools big extract" "$MODTOOLS" big extract "$WORK/tree.big" -C "$WORK/x"
extract_t=$BEST; extract_m=$PEAK
diff -r "$WORK/tree" "$WORK/x" > /dev/null && echo "  extracted tree identical to the source"
rm -rf "$WORK/x"
BEFORE="rm -rf '$WORK/x'; mkdir '$WORK/x'"
best_of3 "tar -xf" tar -xf "$WORK/tree.tar" -C "$WORK/x"
tarx_t=$BEST
rm -rf "$WORK/x" "$WORK/tree.big" "$WORK/tree.tar" "$WORK/tree"
BEFORE=""

echo "== scan 100,000 files / find -printf"
"$SAMPLES" tree "$WORK/scan" 100000 50000000
best_of3 "modtools scan --sizes" "$MODTOOLS" scan --sizes "$WORK/scan"
scan_t=$BEST; scan_m=$PEAK
best_of3 "find -printf '%p %s\\n'" find "$WORK/scan" -printf '%p %s\n'
find_t=$BEST
echo "  files seen: $("$MODTOOLS" scan "$WORK/scan" | wc -l)"

echo
echo "== ratios (ours / peer; goal: at most 1.2)"
echo "  create  / tar -cf : $(ratio "$create_t" "$tarc_t")   (peak memory $create_m kB)"
echo "  extract / tar -xf : $(ratio "$extract_t" "$tarx_t")   (peak memory $extract_m kB)"
echo "  scan    / find    : $(ratio "$scan_t" "$find_t")   (peak memory $scan_m kB)"
echo "== edit in place (goal: at most 1.2 times cp of the archive)"
echo "  replace / cp      : $(ratio "$replace_t" "$cp_t")   (peak memory $replace_m kB)"
echo "  add     / cp      : $(ratio "$add_t" "$cp_t")   (peak memory $add_m kB)"
