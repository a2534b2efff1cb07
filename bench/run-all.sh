#!/bin/sh
# Runs every benchmark and ends with one table: each command's time against
# its peer's on the same input, the ratio, the goal, the peak memory, whether
# the goal is met, and the command's times on inputs 1, 4 and 16 times as
# large with the growth factor (t16 / t1 / 16: about 1 when the cost grows
# as the input does).
#   bench/big/run-benchmark.sh   big create, extract, replace, add; scan
#   bench/csf/run.sh             csf list, to-text, from-text
#   bench/asset/run.sh           asset dump
#   bench/morvane/run.sh         model report, animation dump
#   bench/gui/run-benchmark.sh   the dialogs under Wine (where Wine is)
# Builds what it needs (the native preset; the Windows build the host runs,
# 32- or 64-bit, for the dialogs). Every time is the best of three in this
# run. The logs of the scripts and the table as Markdown stay in build/bench
# (summary.md); the inputs are removed at the end.
# With --quick: smaller inputs (said in the table's heading), for trying
# the benchmarks out; about two minutes once everything is built.
# Usage: bench/run-all.sh [--quick]
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
QUICK=""
case ${1:-} in
  --quick) QUICK=1 ;;
  "") ;;
  *) echo "usage: bench/run-all.sh [--quick]" >&2; exit 1 ;;
esac
. "$ROOT/bench/lib.sh"
if [ -n "$QUICK" ]; then need_free_mb 1000; else need_free_mb 6000; fi
OUTDIR=$ROOT/build/bench
rm -rf "$OUTDIR"
mkdir -p "$OUTDIR"

started=$(date +%s)
load=$(cut -d ' ' -f 1-3 /proc/loadavg)
echo "== building (native preset)"
build_native modtools modtools_samples Morvane morvane_samples csf_bench asset_bench

SKIPPED=""
gui=no
if ! command -v wine >/dev/null 2>&1 && [ ! -x /usr/lib/wine/wine64 ]; then
  SKIPPED="the dialogs: no Wine on this host"
elif ! command -v xvfb-run >/dev/null 2>&1; then
  SKIPPED="the dialogs: no xvfb-run on this host"
else
  # The 32-bit programs (the product) where this host runs them, else the
  # 64-bit build under 64-bit Wine.
  . "$ROOT/scripts/host.sh"
  host_check_32bit
  if [ "$HOST_RUNS_32BIT" = yes ]; then
    preset=windows wine_build="32-bit Windows build"
  else
    preset=windows64 wine_build="64-bit Windows build ($HOST_32BIT_REASON)"
  fi
  echo "== building ($preset preset: the dialogs)"
  [ -f "build/$preset/CMakeCache.txt" ] || cmake --preset "$preset" >/dev/null
  cmake --build "build/$preset" -j2 --target Crandle Tessaly Gathrix Yodrel DialogDriver modtools >/dev/null
  gui=yes
fi
export BENCH_BUILT=1

# elapsed: the time since the start, in minutes and seconds.
elapsed() { s=$(( $(date +%s) - started )); echo "$((s / 60)) min $((s % 60)) s"; }

# bench NAME SCRIPT: runs the script, its output shown and kept in
# build/bench/NAME.log; a failure is noted and the next one runs.
FAILED=""
bench() {
  echo
  echo "== $2 ${QUICK:+--quick}"
  t0=$(date +%s)
  { status=0; sh "$ROOT/$2" ${QUICK:+--quick} || status=$?; echo "$status" > "$OUTDIR/$1.status"; } 2>&1 |
    tee "$OUTDIR/$1.log" | { grep --line-buffered -v '^RESULT|\|^SCALE|' || true; }
  status=$(cat "$OUTDIR/$1.status")
  echo "($2: $(( $(date +%s) - t0 )) s)"
  rm -f "$OUTDIR/$1.status"
  if [ "$status" != 0 ]; then
    echo "$2 failed (exit status $status; see build/bench/$1.log)"
    FAILED="$FAILED $2"
  fi
}
bench big bench/big/run-benchmark.sh
bench csf bench/csf/run.sh
bench asset bench/asset/run.sh
bench morvane bench/morvane/run.sh
if [ "$gui" = yes ]; then bench gui bench/gui/run-benchmark.sh; fi
os=$(. /etc/os-release && echo "${PRETTY_NAME:-Linux}")
mode="full mode"
[ -z "$QUICK" ] || mode="quick mode: smaller inputs than the headline figures"
{
  echo "Benchmarks, $mode ($(date +%Y-%m-%d); $(nproc) cores, $os; load average $load at the start;"
  echo "\`bench/run-all.sh${QUICK:+ --quick}\`, $(elapsed)). Best of three of each;"
  echo "ratio = ours / peer; goal: the largest ratio aimed at; met is computed from the measured times."
  echo "Scaling: the same command on inputs 1, 4 and 16 times as large (16 = the input of the row);"
  echo "growth = t16 / t1 / 16, about 1 when the cost grows as the input does."
  [ "$gui" != yes ] || echo "Dialogs: under Wine, $wine_build, Xvfb; their time is from the click to the listed result, their memory what the program grew by."
  [ -z "$SKIPPED" ] || echo "Not run: $SKIPPED."
  [ -z "$FAILED" ] || echo "Failed (no figures):$FAILED."
  echo
  for name in big csf asset morvane gui; do
    [ ! -f "$OUTDIR/$name.log" ] || cat "$OUTDIR/$name.log"
  done | grep '^RESULT|\|^SCALE|' | awk -F '|' '
    function secs(t) { return t == "" ? "-" : sprintf("%.3f", t) }
    $1 == "SCALE" { scale[$2] = $3; t1[$2] = $4; t4[$2] = $5; t16[$2] = $6; next }
    { n++; row[n] = $0 }
    END {
      print "| command | input | ours | peer | peer time | ratio | goal | peak memory | met | scaling: 1× / 4× / 16× | growth | note |"
      print "|---|---|---|---|---|---|---|---|---|---|---|---|"
      for (i = 1; i <= n; i++) {
        split(row[i], f, "|")
        cmd = f[2]; ours = f[4]; peak = f[5]; peer = f[6]; peert = f[7]; goal = f[8]; note = f[9]
        ratio = peert > 0 ? ours / peert : 0
        rtext = peert > 0 ? sprintf("%.2f", ratio) : "-"
        if (goal == "-" || goal == "") { gtext = "none"; met = "-" }
        else { gtext = sprintf("≤ %.1f×", goal); met = (peert > 0 && ratio <= goal + 0) ? "met" : "not met" }
        mem = peak > 0 ? sprintf("%.1f MB", peak / 1024) : "-"
        if (cmd in scale && t1[cmd] > 0)
          sc = sprintf("%s / %s / %s s (%s)", secs(t1[cmd]), secs(t4[cmd]), secs(t16[cmd]), scale[cmd])
        else sc = "-"
        growth = (cmd in scale && t1[cmd] > 0) ? sprintf("%.2f", t16[cmd] / t1[cmd] / 16) : "-"
        gsub(/\|/, "\\|", peer)
        if (cmd ~ /^(modtools|Morvane) /) cmd = "`" cmd "`"
        printf "| %s | %s | %s s | %s | %s s | %s | %s | %s | %s | %s | %s | %s |\n",
          cmd, f[3], secs(ours), peer, secs(peert), rtext, gtext, mem, met, sc, growth, note
      }
    }'
} > "$OUTDIR/summary.md"
echo
cat "$OUTDIR/summary.md"
echo
echo "(the table as Markdown: build/bench/summary.md)"
[ -z "$FAILED" ]
