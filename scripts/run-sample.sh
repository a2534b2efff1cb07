#!/bin/sh
# Sets up, builds and runs the suite's main job on sample data that the
# project's own code writes into build/sample. Each piece of the run is a
# script in scripts/sample.d, taken in name order. The Windows programs run
# from the 32-bit build where the host runs 32-bit programs, else from the
# 64-bit build.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
. scripts/host.sh
scripts/setup.sh

host_check_32bit
if [ "$HOST_RUNS_32BIT" = yes ]; then
  WIN_BUILD=windows
else
  WIN_BUILD=windows64
  echo "== Windows programs from the 64-bit build: $HOST_32BIT_REASON"
fi
build_log=$(mktemp)
scripts/build.sh native "$WIN_BUILD" >"$build_log" 2>&1 || { cat "$build_log"; rm -f "$build_log"; exit 1; }
rm -f "$build_log"
scripts/wine-prefix.sh "build/$WIN_BUILD"

NATIVE_BIN="$ROOT/build/native/bin"
WIN_BIN="$ROOT/build/$WIN_BUILD/bin"
SAMPLE_DIR="$ROOT/build/sample"
rm -rf "$SAMPLE_DIR"
mkdir -p "$SAMPLE_DIR"

# Runs a Windows program of the build under Wine: wine_run PROGRAM.exe ARGS...
wine_run() {
  "$ROOT/cmake/wine-run.sh" "$@"
}

for piece in scripts/sample.d/*.sh; do
  . "$ROOT/$piece"
done
echo
echo "Sample run finished; everything it wrote is in build/sample."
