#!/bin/sh
# Sets up, builds and runs every test: the native build first, whatever
# happens on the Windows side, then the Windows builds under Wine and a
# virtual X display: the 32-bit build (the product) where the host runs
# 32-bit programs, the 64-bit build on every host. Ends with one summary.
# Fails when a test that ran failed, or when no Windows test could run.
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
. scripts/host.sh
scripts/setup.sh || exit 1

status=0
summary=""
windows_ran=0
log=$(mktemp)
trap 'rm -f "$log"' EXIT

note() { summary="$summary$(printf '  %-10s %s' "$1" "$2")
"; }

# run_tests PRESET [WRAPPER...]: runs ctest and notes how many passed.
run_tests() {
  preset=$1
  shift
  echo "== tests: $preset"
  "$@" ctest --preset "$preset" 2>&1 | tee "$log"
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then
    note "$preset" "no test result (ctest did not run)"
    status=1
    return 1
  fi
  failed=$(echo "$line" | sed -E 's/.*passed, ([0-9]+) tests? failed out of ([0-9]+).*/\1/')
  total=$(echo "$line" | sed -E 's/.*failed out of ([0-9]+).*/\1/')
  note "$preset" "$((total - failed)) of $total tests passed"
  [ "$failed" -eq 0 ] || status=1
  return 0
}

# windows_tests PRESET: builds, prepares the prefix and runs the tests.
windows_tests() {
  if ! scripts/build.sh "$1"; then
    note "$1" "build failed"
    status=1
  elif ! scripts/wine-prefix.sh "build/$1"; then
    note "$1" "Wine could not start"
    status=1
  elif run_tests "$1" xvfb-run -a -s "-screen 0 1280x1024x24"; then
    windows_ran=1
  fi
}

if scripts/build.sh native; then
  run_tests native
else
  note native "build failed"
  status=1
fi

host_check_32bit
if [ "$HOST_RUNS_32BIT" = yes ]; then
  windows_tests windows
elif scripts/build.sh windows; then
  note windows "built; tests skipped: $HOST_32BIT_REASON"
else
  note windows "build failed"
  status=1
fi
windows_tests windows64

echo
echo "== summary"
printf '%s' "$summary"
if [ $windows_ran -eq 0 ]; then
  echo "  No Windows test could run."
  status=1
fi
[ $status -eq 0 ] && echo "  All tests that ran passed." || echo "  FAILED."
exit $status
