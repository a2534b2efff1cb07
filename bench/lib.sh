# Shell helpers of the benchmark scripts. Sourced (ROOT set); needs
# /usr/bin/time and bc.
#
# Every script takes --quick as its first argument for smaller inputs, prints
# its figures for a reader and, for bench/run-all.sh, one line per command:
#   RESULT|command|input|ours_s|peak_kB|peer|peer_s|goal|note
#     goal: the largest ratio ours / peer aimed at ("-" for none)
#   SCALE|command|inputs|t1|t4|t16
#     the same command on inputs 1, 4 and 16 times as large (16 times being
#     the input of its RESULT line)
MODTOOLS=${MODTOOLS:-$ROOT/build/native/bin/modtools}
SAMPLES=${SAMPLES:-$ROOT/build/native/bin/modtools_samples}
FACTORS="1 4 16"

[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package time)" >&2; exit 1; }
command -v bc >/dev/null || { echo "needs bc (Debian package bc)" >&2; exit 1; }

# build_native TARGETS...: configures the native preset when it is not yet
# and builds the targets; nothing when BENCH_BUILT is set (by run-all.sh,
# which has built them).
build_native() {
  [ -z "${BENCH_BUILT:-}" ] || return 0
  [ -f "$ROOT/build/native/CMakeCache.txt" ] || (cd "$ROOT" && cmake --preset native >/dev/null)
  cmake --build "$ROOT/build/native" -j2 --target "$@" >/dev/null
}

# fresh_work FOLDER: WORK becomes that folder, empty, removed at the exit.
fresh_work() {
  WORK=$1
  rm -rf "$WORK"
  mkdir -p "$WORK"
  trap 'rm -rf "$WORK"' EXIT
  trap 'exit 130' INT TERM
}

# need_free_mb MB: stops the script when less than MB megabytes are free
# below build/.
need_free_mb() {
  mkdir -p "$ROOT/build"
  free_kb=$(df -Pk "$ROOT/build" | awk 'NR == 2 {print $4}')
  if [ "$free_kb" -lt $(($1 * 1024)) ]; then
    echo "not enough free space below build/ (need about $1 MB, have $((free_kb / 1024)) MB)" >&2
    exit 1
  fi
}

# best_of3 LABEL COMMAND...: runs the command three times, each after
# $BEFORE (a shell command, when set; not timed); prints and keeps the best
# wall time in BEST (seconds, to the millisecond) and the largest peak memory
# (kB) in PEAK. Standard output goes to $OUT (default /dev/null).
# With SELF_TIMED set the command is run as it is (it may be a shell
# function) and prints its own seconds, and optionally its memory in kB, on
# one line: for work timed from inside, as a click in a dialog.
best_of3() {
  label=$1
  shift
  BEST=""
  PEAK=0
  for run in 1 2 3; do
    if [ -n "${BEFORE:-}" ]; then sh -c "$BEFORE"; fi
    if [ -n "${SELF_TIMED:-}" ]; then
      "$@" >"$WORK/self.txt"
      read -r secs kb <"$WORK/self.txt" || true
      kb=${kb:-0}
    else
      start=$(date +%s%N)
      status=0
      /usr/bin/time -f "%M" -o "$WORK/time.txt" "$@" >"${OUT:-/dev/null}" 2>/dev/null || status=$?
      # 3: done in part, as a scan stopped by the scanner's entry limit.
      case $status in 0|3) ;; *) echo "$label: exit status $status" >&2; exit 1 ;; esac
      end=$(date +%s%N)
      secs=$(echo "scale=3; ($end - $start) / 1000000000" | bc)
      kb=$(tail -n 1 "$WORK/time.txt")
    fi
    if [ -z "$BEST" ] || [ "$(echo "$secs < $BEST" | bc)" = 1 ]; then BEST=$secs; fi
    if [ "$kb" -gt "$PEAK" ]; then PEAK=$kb; fi
  done
  BEST=$(printf '%.3f' "$BEST")
  printf '  %-44s %8.3f s   peak %7d kB\n' "$label" "$BEST" "$PEAK"
}

# keep NAME FACTOR: keeps BEST as the time of NAME on the input FACTOR times
# as large, for scaling.
keep() { eval "T_$1_$2=\$BEST"; }

# scaling COMMAND INPUTS NAME: the SCALE line of the times kept for NAME.
scaling() {
  eval "t1=\${T_$3_1:-} t4=\${T_$3_4:-} t16=\${T_$3_16:-}"
  printf 'SCALE|%s|%s|%s|%s|%s\n' "$1" "$2" "$t1" "$t4" "$t16"
}

# result COMMAND INPUT OURS PEAK PEER PEER_T GOAL [NOTE]: the RESULT line.
result() { printf 'RESULT|%s|%s|%s|%s|%s|%s|%s|%s\n' "$1" "$2" "$3" "$4" "$5" "$6" "$7" "${8:-}"; }

# ratio A B: A / B to three places.
ratio() { printf '%.3f' "$(echo "scale=4; $1 / $2" | bc)"; }

# thousands N: N with a comma between groups of three digits.
thousands() { echo "$1" | sed ':a;s/\B[0-9]\{3\}\>/,&/;ta'; }
