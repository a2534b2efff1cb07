#!/bin/sh
# Asset index benchmarks (native build):
#   asset_bench: two 50 MB index files, the core's dump and merge against
#     `cat` of the same inputs, with peak memory;
#   modtools as a process: `asset dump` of a 50 MB file against `cat` of it,
#     best of three, each run after `sync` with its output missing.
# Arguments: [MEGABYTES] [FOLDER] (the folder of asset_bench's files).
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
cd "$ROOT"
cmake --preset native >/dev/null
cmake --build build/native -j2 --target asset_bench modtools modtools_samples >/dev/null
build/native/bin/asset_bench "$@"

MEGABYTES=${1:-50}
. "$ROOT/bench/lib.sh"
fresh_work "$ROOT/build/bench-asset"
"$SAMPLES" asset-bench "$WORK/first.dat" "$MEGABYTES" >/dev/null
echo
echo "== modtools on a $MEGABYTES MB index file"
BEFORE="sync; rm -f '$WORK/out' '$WORK/dump.txt'"
OUT="$WORK/out"
best_of3 "cat of the file" cat "$WORK/first.dat"
OUT=""
cat_t=$BEST
best_of3 "modtools asset dump" "$MODTOOLS" asset dump "$WORK/first.dat" -o "$WORK/dump.txt"
dump_t=$BEST; dump_m=$PEAK
echo "== ratio (ours / cat)"
echo "  asset dump / cat : $(ratio "$dump_t" "$cat_t")   (peak memory $dump_m kB)"
