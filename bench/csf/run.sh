#!/bin/sh
# String table benchmarks (native build) on a generated table of 200,000
# labels (32,000 with --quick, which leaves out csf_bench):
#   csf_bench: the core's load, export with a few rows marked and listing
#     against reading the file once and `cat`, with peak memory;
#   modtools as a process: `csf list`, `csf to-text` and `csf from-text`
#     against `cat` of the table (and of its text form) into a file, best of
#     three, each run after `sync` with its output missing; the same on
#     tables of 1/16 and 1/4 of the labels for the scaling.
# Usage: bench/csf/run.sh [--quick] [LABELS]
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
cd "$ROOT"
QUICK=""
if [ "${1:-}" = --quick ]; then QUICK=1; shift; fi
LABELS=${1:-200000}
[ -z "$QUICK" ] || LABELS=${1:-32000}
. "$ROOT/bench/lib.sh"
build_native csf_bench modtools modtools_samples
fresh_work "$ROOT/build/bench-csf"
[ -n "$QUICK" ] || build/native/bin/csf_bench "$LABELS" "$WORK"

BEFORE="sync; rm -f '$WORK/out'"
for factor in $FACTORS; do
  labels=$((LABELS * factor / 16))
  "$SAMPLES" csf-bench "$WORK/table.csf" "$labels" >/dev/null
  "$MODTOOLS" csf to-text "$WORK/table.csf" -o "$WORK/table.txt" >/dev/null
  echo
  echo "== modtools on a table of $(thousands "$labels") labels ($(wc -c < "$WORK/table.csf") bytes; text form $(wc -c < "$WORK/table.txt") bytes)"
  OUT="$WORK/out"
  if [ "$factor" = 16 ]; then
    best_of3 "cat of the table" cat "$WORK/table.csf"
    cat_t=$BEST
    best_of3 "cat of the text form" cat "$WORK/table.txt"
    cat_text_t=$BEST
  fi
  best_of3 "modtools csf list" "$MODTOOLS" csf list "$WORK/table.csf"
  keep list "$factor"; list_m=$PEAK
  OUT=""
  best_of3 "modtools csf to-text" "$MODTOOLS" csf to-text "$WORK/table.csf" -o "$WORK/out"
  keep to "$factor"; to_m=$PEAK
  best_of3 "modtools csf from-text" "$MODTOOLS" csf from-text "$WORK/table.txt" -o "$WORK/out"
  keep from "$factor"; from_m=$PEAK
  cmp -s "$WORK/out" "$WORK/table.csf" || { echo "from-text did not give the table back" >&2; exit 1; }
done
echo "  from-text gave the table back byte for byte"

input="$(thousands "$LABELS") labels"
scale="$(thousands $((LABELS / 16))) / $(thousands $((LABELS / 4))) / $(thousands "$LABELS") labels"
echo "== ratios (ours / cat)"
echo "  csf list  / cat of the table     : $(ratio "$T_list_16" "$cat_t")   (peak memory $list_m kB)"
echo "  to-text   / cat of the table     : $(ratio "$T_to_16" "$cat_t")   (peak memory $to_m kB)"
echo "  from-text / cat of the text form : $(ratio "$T_from_16" "$cat_text_t")   (peak memory $from_m kB)"
result "modtools csf list" "$input" "$T_list_16" "$list_m" "cat of the table" "$cat_t" 2
result "modtools csf to-text" "$input" "$T_to_16" "$to_m" "cat of the table" "$cat_t" 2
result "modtools csf from-text" "$input" "$T_from_16" "$from_m" "cat of the text form" "$cat_text_t" 2
scaling "modtools csf list" "$scale" list
scaling "modtools csf to-text" "$scale" to
scaling "modtools csf from-text" "$scale" from
