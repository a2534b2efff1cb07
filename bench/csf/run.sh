#!/bin/sh
# Builds and runs the string table benchmark (native build): 200,000 labels,
# load, export with a few rows marked and listing against reading the file
# once and `cat`, with peak memory. Arguments: [LABELS] [FOLDER].
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
cd "$ROOT"
cmake --preset native >/dev/null
cmake --build build/native -j2 --target csf_bench >/dev/null
build/native/bin/csf_bench "$@"
