#!/bin/sh
# Morvane benchmark: writes a large model (200 meshes of 20000 vertices,
# about 240 MB) with its skeleton and a long compressed animation, then times
# the model report and the animation dump against reading each file once with
# cat, in the same run, and prints the ratios and the peak memory.
#
# Usage: bench/morvane/run.sh [BIN_DIR [WORK_DIR [MESHES VERTICES FRAMES]]]
#   BIN_DIR   the native build's programs (default build/native/bin)
#   WORK_DIR  where the files go (default build/bench-morvane; removed after)
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BIN=$(cd "${1:-$ROOT/build/native/bin}" && pwd)
WORK=${2:-$ROOT/build/bench-morvane}
MESHES=${3:-200}
VERTICES=${4:-20000}
FRAMES=${5:-20000}

for program in Morvane morvane_samples; do
  [ -x "$BIN/$program" ] || { echo "missing $BIN/$program: build the native preset first" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package time)" >&2; exit 1; }

rm -rf "$WORK"
mkdir -p "$WORK/out"
cd "$WORK"
"$BIN/morvane_samples" bench . "$MESHES" "$VERTICES" "$FRAMES" >/dev/null
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

# Best wall time of five runs in seconds (nanosecond clock), then the peak
# resident kilobytes of one more run.
measure() {
  best=""
  for run in 1 2 3 4 5; do
    start=$(date +%s%N)
    "$@" >/dev/null
    stop=$(date +%s%N)
    took=$((stop - start))
    if [ -z "$best" ] || [ "$took" -lt "$best" ]; then best=$took; fi
  done
  /usr/bin/time -f "%M" -o time.txt "$@" >/dev/null
  echo "$best $(tail -n 1 time.txt)"
}

cat big.w3d long.w3d >/dev/null  # both runs start from the page cache
echo "Morvane benchmark ($MESHES meshes x $VERTICES vertices, $FRAMES frames)"
for job in "model big.w3d model.cfg" "animation long.w3d anim.cfg"; do
  set -- $job
  size=$(wc -c < "$2")
  cat_result=$(measure sh -c "cat $2 > /dev/null")
  run_result=$(measure "$BIN/Morvane" "$3")
  echo "$1 $size $cat_result $run_result" | awk '{
    printf "  %-9s file %7.1f MB   cat %8.4f s   Morvane %8.4f s   ratio %6.2f   peak memory %6.1f MB (cat %4.1f MB)\n",
      $1, $2 / 1048576, $3 / 1e9, $5 / 1e9, ($3 > 0 ? $5 / $3 : 0), $6 / 1024, $4 / 1024 }'
done
echo "  report: $(wc -c < out/big.txt) bytes, dump: $(wc -c < out/long.txt) bytes"
cd "$ROOT"
rm -rf "$WORK"
