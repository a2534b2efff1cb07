#!/bin/sh
# Configures and builds one preset or both: build.sh [native|windows|all]
set -eu
cd "$(dirname "$0")/.."
which=${1:-all}
for preset in native windows; do
  if [ "$which" = all ] || [ "$which" = "$preset" ]; then
    echo "== build: $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
  fi
done
if [ "$which" = all ] || [ "$which" = windows ]; then
  scripts/wine-prefix.sh build/windows
fi
