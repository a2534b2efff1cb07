# Shell helpers of the benchmark scripts that time whole programs. Sourced
# (ROOT set); needs /usr/bin/time and bc.
MODTOOLS=${MODTOOLS:-$ROOT/build/native/bin/modtools}
SAMPLES=${SAMPLES:-$ROOT/build/native/bin/modtools_samples}

# fresh_work FOLDER: WORK becomes that folder, empty, removed at the exit.
fresh_work() {
  WORK=$1
  rm -rf "$WORK"
  mkdir -p "$WORK"
  trap 'rm -rf "$WORK"' EXIT
}

# best_of3 LABEL COMMAND...: runs the command three times, each after
# $BEFORE (a shell command, when set); prints and keeps the best wall time in
# BEST (seconds, to the millisecond) and the largest peak memory (kB) in PEAK.
# Standard output goes to $OUT (default /dev/null).
best_of3() {
  label=$1
  shift
  BEST=""
  PEAK=0
  for run in 1 2 3; do
    if [ -n "${BEFORE:-}" ]; then sh -c "$BEFORE"; fi
    start=$(date +%s%N)
    status=0
    /usr/bin/time -f "%M" -o "$WORK/time.txt" "$@" >"${OUT:-/dev/null}" 2>/dev/null || status=$?
    # 3: done in part, as a scan stopped by the scanner's entry limit.
    case $status in 0|3) ;; *) echo "$label: exit status $status" >&2; exit 1 ;; esac
    end=$(date +%s%N)
    secs=$(echo "scale=3; ($end - $start) / 1000000000" | bc)
    kb=$(tail -n 1 "$WORK/time.txt")
    if [ -z "$BEST" ] || [ "$(echo "$secs < $BEST" | bc)" = 1 ]; then BEST=$secs; fi
    if [ "$kb" -gt "$PEAK" ]; then PEAK=$kb; fi
  done
  printf '  %-34s %8.3f s   peak %7d kB\n' "$label" "$BEST" "$PEAK"
}

# ratio A B: A / B to three places.
ratio() { echo "scale=3; $1 / $2" | bc; }
