#!/bin/sh
# Benchmark of the archive core and the folder scanner against their peers:
#   collecting and writing an archive of a 20,000-file tree of about 1.1 GB
#     against tar -cf of the same tree,
#   extracting that archive into an empty folder against tar -xf,
#   replacing one small entry and adding one file in place against cp of
#     the archive into a new file,
#   scanning a 100,000-file tree with sizes against find -printf '%p %s\n'.
# Each command runs three times from a warm cache; the best time counts. The
# archive commands run on trees of 1/16 and 1/4 of the files and bytes as
# well, the scan on trees of 1/16 and 1/4 of the files, for the scaling.
# With --quick: 1,600 files of 48 MB, a scan of 8,000 files.
# Prints the times, the ratios (ours / peer) and the peak memory of each run.
# Needs about 5.5 GB free below build/ (400 MB with --quick); everything it
# writes is deleted at the end.
# Usage: bench/big/run-benchmark.sh [--quick] [build folder, default build/native]
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
cd "$ROOT"
QUICK=""
if [ "${1:-}" = --quick ]; then QUICK=1; shift; fi
BUILD=${1:-build/native}
FILES=20000 BYTES=1100000000 SCAN_FILES=100000 SCAN_BYTES=50000000 NEED_MB=5500
[ -z "$QUICK" ] || { FILES=1600 BYTES=48000000 SCAN_FILES=8000 SCAN_BYTES=4000000 NEED_MB=400; }

. "$ROOT/bench/lib.sh"
if [ "$BUILD" = build/native ]; then
  build_native modtools modtools_samples
else
  if [ ! -f "$BUILD/CMakeCache.txt" ]; then cmake --preset native -B "$BUILD" >/dev/null; fi
  cmake --build "$BUILD" -j2 --target modtools modtools_samples >/dev/null
fi
MODTOOLS="$BUILD/bin/modtools"
SAMPLES="$BUILD/bin/modtools_samples"
need_free_mb "$NEED_MB"
fresh_work "$ROOT/build/bench-big"
printf 'replaced = 1\n' > "$WORK/small.ini"

for factor in $FACTORS; do
  files=$((FILES * factor / 16))
  bytes=$((BYTES / 16 * factor))
  echo
  echo "== a tree of $(thousands "$files") files, $(thousands $((bytes / 1000000))) MB"
  "$SAMPLES" tree "$WORK/tree" "$files" "$bytes" >/dev/null
  find "$WORK/tree" -type f -exec cat {} + > /dev/null
  # Every run starts with nothing left to write out or to free (a removed
  # archive's blocks are freed when the file system commits, which would
  # land in the next run's time).
  sync

  echo "- collect and write an archive / tar -cf"
  BEFORE="rm -f '$WORK/tree.big'; sync"
  best_of3 "modtools big create" "$MODTOOLS" big create "$WORK/tree" -o "$WORK/tree.big"
  keep create "$factor"; create_m=$PEAK
  if [ "$factor" = 16 ]; then
    BEFORE="rm -f '$WORK/tree.tar'; sync"
    best_of3 "tar -cf" tar -cf "$WORK/tree.tar" -C "$WORK/tree" .
    tarc_t=$BEST
    echo "  archive $(wc -c < "$WORK/tree.big") bytes, tar $(wc -c < "$WORK/tree.tar") bytes"
  fi

  echo "- extract into an empty folder / tar -xf"
  BEFORE="rm -rf '$WORK/x'; sync"
  best_of3 "modtools big extract" "$MODTOOLS" big extract "$WORK/tree.big" -C "$WORK/x"
  keep extract "$factor"; extract_m=$PEAK
  diff -r "$WORK/tree" "$WORK/x" > /dev/null || { echo "the extracted tree differs from the source" >&2; exit 1; }
  rm -rf "$WORK/x" "$WORK/tree"
  if [ "$factor" = 16 ]; then
    echo "  extracted tree identical to the source"
    BEFORE="rm -rf '$WORK/x'; mkdir '$WORK/x'; sync"
    best_of3 "tar -xf" tar -xf "$WORK/tree.tar" -C "$WORK/x"
    tarx_t=$BEST
    rm -rf "$WORK/x" "$WORK/tree.tar"
  fi

  echo "- edit in place: replace one small entry, add one file / cp of the archive"
  first=$("$MODTOOLS" big list "$WORK/tree.big" | awk '$1 < 10000 {print $2; exit}')
  # Every run starts from an archive already on the disk, as a modder's is:
  # otherwise a run would also wait for the last run's writing.
  BEFORE="sync"
  best_of3 "modtools big replace" "$MODTOOLS" big replace "$WORK/tree.big" "$first" "$WORK/small.ini"
  keep replace "$factor"; replace_m=$PEAK
  BEFORE="'$MODTOOLS' big rm '$WORK/tree.big' bench-added.ini >/dev/null 2>&1 || true; sync"
  best_of3 "modtools big add" "$MODTOOLS" big add "$WORK/tree.big" "$WORK/small.ini" --as bench-added.ini
  keep add "$factor"; add_m=$PEAK
  if [ "$factor" = 16 ]; then
    BEFORE="rm -f '$WORK/copy.big'; sync"
    best_of3 "cp" cp "$WORK/tree.big" "$WORK/copy.big"
    cp_t=$BEST
    # The same safe replacement done by hand: a copy beside the archive,
    # moved over it. The move makes the file system free the old archive's
    # blocks, which a plain cp never pays; it is the part of an edit in
    # place that no copy avoids.
    cp "$WORK/tree.big" "$WORK/copy.big"
    BEFORE="sync"
    best_of3 "cp beside, then mv over it" sh -c "cp '$WORK/copy.big' '$WORK/copy.tmp' && mv '$WORK/copy.tmp' '$WORK/copy.big'"
    cpmv_t=$BEST
    BEFORE="rm -f '$WORK/copy.tmp'; cp '$WORK/copy.big' '$WORK/copy.tmp'; sync"
    best_of3 "mv over the archive alone" mv "$WORK/copy.tmp" "$WORK/copy.big"
    mv_t=$BEST
  fi
  rm -f "$WORK/copy.big" "$WORK/copy.tmp" "$WORK/tree.big"
done

BEFORE=""
for factor in $FACTORS; do
  files=$((SCAN_FILES * factor / 16))
  echo
  echo "== scan $(thousands "$files") files / find -printf"
  "$SAMPLES" tree "$WORK/scan" "$files" $((SCAN_BYTES / 16 * factor)) >/dev/null
  best_of3 "modtools scan --sizes" "$MODTOOLS" scan --sizes "$WORK/scan"
  keep scan "$factor"; scan_m=$PEAK
  if [ "$factor" = 16 ]; then
    best_of3 "find -printf '%p %s\\n'" find "$WORK/scan" -printf '%p %s\n'
    find_t=$BEST
    echo "  files seen: $("$MODTOOLS" scan "$WORK/scan" | wc -l)"
  fi
  rm -rf "$WORK/scan"
done

echo
echo "== ratios (ours / peer)"
echo "  create  / tar -cf : $(ratio "$T_create_16" "$tarc_t")   (peak memory $create_m kB)"
echo "  extract / tar -xf : $(ratio "$T_extract_16" "$tarx_t")   (peak memory $extract_m kB)"
echo "  replace / cp      : $(ratio "$T_replace_16" "$cp_t")   (peak memory $replace_m kB)"
echo "  add     / cp      : $(ratio "$T_add_16" "$cp_t")   (peak memory $add_m kB)"
echo "  replace / (cp beside, then mv over it): $(ratio "$T_replace_16" "$cpmv_t");  the mv alone: $mv_t s"
echo "  scan    / find    : $(ratio "$T_scan_16" "$find_t")   (peak memory $scan_m kB)"
tree="tree of $(thousands "$FILES") files, $(thousands $((BYTES / 1000000))) MB"
archive="archive of $(thousands "$FILES") entries, $(thousands $((BYTES / 1000000))) MB"
result "modtools big create" "$tree" "$T_create_16" "$create_m" "tar -cf" "$tarc_t" 0.7
result "modtools big extract" "$archive" "$T_extract_16" "$extract_m" "tar -xf" "$tarx_t" 0.5
result "modtools big replace" "$archive, one small entry" "$T_replace_16" "$replace_m" "cp of the archive" "$cp_t" 1.2 "cp beside + mv over it: $cpmv_t s (the mv alone $mv_t s)"
result "modtools big add" "$archive, one file" "$T_add_16" "$add_m" "cp of the archive" "$cp_t" 1.2
result "modtools scan --sizes" "tree of $(thousands "$SCAN_FILES") files" "$T_scan_16" "$scan_m" "find -printf '%p %s\\n'" "$find_t" 1.0
sizes="$(thousands $((FILES / 16))) / $(thousands $((FILES / 4))) / $(thousands "$FILES") files"
scaling "modtools big create" "$sizes" create
scaling "modtools big extract" "$sizes" extract
scaling "modtools big replace" "$sizes" replace
scaling "modtools big add" "$sizes" add
scaling "modtools scan --sizes" "$(thousands $((SCAN_FILES / 16))) / $(thousands $((SCAN_FILES / 4))) / $(thousands "$SCAN_FILES") files" scan
