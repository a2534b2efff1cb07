#!/bin/sh
# Sets up, builds both targets and runs the suite's main job on sample data
# that the project's own code writes into build/sample. Each piece of the run
# is a script in scripts/sample.d, taken in name order.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
scripts/setup.sh
scripts/build.sh all >/tmp/modtools-build.log 2>&1 || { cat /tmp/modtools-build.log; exit 1; }

NATIVE_BIN="$ROOT/build/native/bin"
WIN_BIN="$ROOT/build/windows/bin"
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
