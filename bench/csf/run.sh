#!/bin/sh
# String table benchmarks (native build) on a generated table of 200,000
# labels:
#   csf_bench: the core's load, export with a few rows marked and listing
#     against reading the file once and `cat`, with peak memory;
#   modtools as a process: `csf list`, `csf to-text` and `csf from-text`
#     against `cat` of the table (and of its text form), best of three, each
#     run after `sync` with its output missing.
# Arguments: [LABELS] [FOLDER] (the folder of csf_bench's files).
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
cd "$ROOT"
cmake --preset native >/dev/null
cmake --build build/native -j2 --target csf_bench modtools modtools_samples >/dev/null
build/native/bin/csf_bench "$@"

LABELS=${1:-200000}
. "$ROOT/bench/lib.sh"
fresh_work "$ROOT/build/bench-csf"
"$SAMPLES" csf-bench "$WORK/table.csf" "$LABELS"
"$MODTOOLS" csf to-text "$WORK/table.csf" -o "$WORK/table.txt"
echo
echo "== modtools on the table ($(wc -c < "$WORK/table.csf") bytes; text form $(wc -c < "$WORK/table.txt") bytes)"
BEFORE="sync; rm -f '$WORK/out'"
OUT="$WORK/out"
best_of3 "cat of the table" cat "$WORK/table.csf"
cat_t=$BEST
best_of3 "cat of the text form" cat "$WORK/table.txt"
cat_text_t=$BEST
best_of3 "modtools csf list" "$MODTOOLS" csf list "$WORK/table.csf"
OUT=""
list_t=$BEST; list_m=$PEAK
best_of3 "modtools csf to-text" "$MODTOOLS" csf to-text "$WORK/table.csf" -o "$WORK/out"
to_t=$BEST; to_m=$PEAK
best_of3 "modtools csf from-text" "$MODTOOLS" csf from-text "$WORK/table.txt" -o "$WORK/out"
from_t=$BEST; from_m=$PEAK
cmp -s "$WORK/out" "$WORK/table.csf" && echo "  from-text gave the table back byte for byte"
echo "== ratios (ours / cat)"
echo "  csf list  / cat of the table     : $(ratio "$list_t" "$cat_t")   (peak memory $list_m kB)"
echo "  to-text   / cat of the table     : $(ratio "$to_t" "$cat_t")   (peak memory $to_m kB)"
echo "  from-text / cat of the text form : $(ratio "$from_t" "$cat_text_t")   (peak memory $from_m kB)"
