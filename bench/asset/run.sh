#!/bin/sh
# Asset index benchmarks (native build):
#   asset_bench (left out with --quick): two index files of 48 MB, the core's
#     dump and merge against `cat` of the same inputs, with peak memory;
#   modtools as a process: `asset dump` of a 48 MB file against `cat` of it
#     into a file, best of three, each run after `sync` with its output
#     missing; the same on files of 3 and 12 MB for the scaling (with
#     --quick: 16 MB, and 1 and 4 MB).
# Usage: bench/asset/run.sh [--quick] [MEGABYTES, a multiple of 16]
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
cd "$ROOT"
QUICK=""
if [ "${1:-}" = --quick ]; then QUICK=1; shift; fi
MEGABYTES=${1:-48}
[ -z "$QUICK" ] || MEGABYTES=${1:-16}
. "$ROOT/bench/lib.sh"
build_native asset_bench modtools modtools_samples
fresh_work "$ROOT/build/bench-asset"
[ -n "$QUICK" ] || build/native/bin/asset_bench "$MEGABYTES" "$WORK"
find "$WORK" -mindepth 1 -delete  # asset_bench's files

BEFORE="sync; rm -f '$WORK/out' '$WORK/dump.txt'"
for factor in $FACTORS; do
  megabytes=$((MEGABYTES * factor / 16))
  "$SAMPLES" asset-bench "$WORK/first.dat" "$megabytes" >/dev/null
  echo
  echo "== modtools on an index file of $megabytes MB"
  if [ "$factor" = 16 ]; then
    OUT="$WORK/out"
    best_of3 "cat of the file" cat "$WORK/first.dat"
    OUT=""
    cat_t=$BEST
  fi
  best_of3 "modtools asset dump" "$MODTOOLS" asset dump "$WORK/first.dat" -o "$WORK/dump.txt"
  keep dump "$factor"; dump_m=$PEAK
done
echo "== ratio (ours / cat)"
echo "  asset dump / cat : $(ratio "$T_dump_16" "$cat_t")   (peak memory $dump_m kB)"
result "modtools asset dump" "index file of $MEGABYTES MB" "$T_dump_16" "$dump_m" "cat of the file" "$cat_t" -
scaling "modtools asset dump" "$((MEGABYTES / 16)) / $((MEGABYTES / 4)) / $MEGABYTES MB" dump
