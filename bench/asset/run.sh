#!/bin/sh
# Builds and runs the asset index benchmark (native build): two 50 MB index
# files, dump and merge against `cat` of the same inputs, with peak memory.
# Arguments: [MEGABYTES] [FOLDER].
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
cd "$ROOT"
cmake --preset native >/dev/null
cmake --build build/native -j2 --target asset_bench >/dev/null
build/native/bin/asset_bench "$@"
