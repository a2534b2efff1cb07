#!/bin/sh
# Morvane benchmark: writes a large model (200 meshes of 20,000 vertices,
# about 229 MB) with its skeleton and a long compressed animation (20,000
# frames), then times, best of three in the same run, each after `sync` with
# its output missing:
#   the model report (Morvane, and `modtools w3d report`) against `cat` of
#     the model into a file;
#   the animation dump (Morvane, and `modtools w3d animation`) against `cat`
#     of the dump text it writes into a file;
# and the same on models of 1,250 and 5,000 vertices per mesh and animations
# of 1,250 and 5,000 frames for the scaling. Prints the ratios and the peak
# memory. With --quick: 25 meshes of 8,000 vertices, 8,000 frames.
#
# Usage: bench/morvane/run.sh [--quick] [BIN_DIR]
#   BIN_DIR   the native build's programs (default: build/native/bin, built
#             here)
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
QUICK=""
if [ "${1:-}" = --quick ]; then QUICK=1; shift; fi
. "$ROOT/bench/lib.sh"
[ -n "${1:-}" ] || build_native Morvane morvane_samples modtools
BIN=$(cd "${1:-$ROOT/build/native/bin}" && pwd)
MESHES=200 VERTICES=20000 FRAMES=20000
[ -z "$QUICK" ] || { MESHES=25 VERTICES=8000 FRAMES=8000; }
for program in Morvane morvane_samples modtools; do
  [ -x "$BIN/$program" ] || { echo "missing $BIN/$program: build the native preset first" >&2; exit 1; }
done
fresh_work "$ROOT/build/bench-morvane"
mkdir -p "$WORK/out"
cd "$WORK"
cat > model.cfg <<'CFG'
ModelList = {Model*,Report*}
Model001 = big.w3d
Report001 = out\big.txt
CFG
cat > anim.cfg <<'CFG'
ModelList = {Anim*,Dump*}
Animation = TRUE
Anim001 = long.w3d
Dump001 = out\long.txt
CFG

BEFORE="sync; rm -f '$WORK/out/big.txt' '$WORK/out/long.txt' '$WORK/cat.out'"
for factor in $FACTORS; do
  vertices=$((VERTICES * factor / 16))
  frames=$((FRAMES * factor / 16))
  rm -f ./*.w3d
  "$BIN/morvane_samples" bench . "$MESHES" "$vertices" "$frames" >/dev/null
  echo
  echo "== $MESHES meshes of $(thousands "$vertices") vertices ($(wc -c < big.w3d) bytes); animation of $(thousands "$frames") frames ($(wc -c < long.w3d) bytes)"
  best_of3 "Morvane model report" "$BIN/Morvane" model.cfg
  keep report "$factor"; report_m=$PEAK
  best_of3 "modtools w3d report" "$BIN/modtools" w3d report big.w3d -o out/big.txt
  keep wreport "$factor"; wreport_m=$PEAK
  best_of3 "Morvane animation dump" "$BIN/Morvane" anim.cfg
  keep dump "$factor"; dump_m=$PEAK
  best_of3 "modtools w3d animation" "$BIN/modtools" w3d animation long.w3d -o out/long.txt
  keep wdump "$factor"; wdump_m=$PEAK
  if [ "$factor" = 16 ]; then
    "$BIN/Morvane" model.cfg >/dev/null
    "$BIN/Morvane" anim.cfg >/dev/null
    cp out/big.txt report.txt
    cp out/long.txt dump.txt
    OUT=$WORK/cat.out
    best_of3 "cat of the model" cat big.w3d
    cat_model_t=$BEST
    best_of3 "cat of the dump text" cat dump.txt
    cat_dump_t=$BEST
    OUT=""
    echo "  report: $(wc -c < report.txt) bytes, dump: $(wc -c < dump.txt) bytes"
  fi
done

model="model of $MESHES x $(thousands "$VERTICES") vertices"
anim="animation of $(thousands "$FRAMES") frames"
echo "== ratios (ours / cat)"
echo "  model report / cat of the model : $(ratio "$T_report_16" "$cat_model_t")   (peak memory $report_m kB)"
echo "  animation dump / cat of the dump: $(ratio "$T_dump_16" "$cat_dump_t")   (peak memory $dump_m kB)"
result "Morvane model report" "$model" "$T_report_16" "$report_m" "cat of the model" "$cat_model_t" -
result "modtools w3d report" "$model" "$T_wreport_16" "$wreport_m" "cat of the model" "$cat_model_t" -
result "Morvane animation dump" "$anim" "$T_dump_16" "$dump_m" "cat of the dump text" "$cat_dump_t" 2
result "modtools w3d animation" "$anim" "$T_wdump_16" "$wdump_m" "cat of the dump text" "$cat_dump_t" 2
verts="$(thousands $((VERTICES / 16))) / $(thousands $((VERTICES / 4))) / $(thousands "$VERTICES") vertices per mesh"
frames="$(thousands $((FRAMES / 16))) / $(thousands $((FRAMES / 4))) / $(thousands "$FRAMES") frames"
scaling "Morvane model report" "$verts" report
scaling "modtools w3d report" "$verts" wreport
scaling "Morvane animation dump" "$frames" dump
scaling "modtools w3d animation" "$frames" wdump
