#!/bin/sh
# Configures and builds presets: build.sh [native|windows|windows64|all ...]
# "all" is every build: native, 32-bit and 64-bit Windows. A Windows build
# also prepares its Wine prefix when the host can run its programs.
set -eu
cd "$(dirname "$0")/.."
[ $# -gt 0 ] || set -- all
presets=""
for which in "$@"; do
  case $which in
    all) presets="$presets native windows windows64" ;;
    native|windows|windows64) presets="$presets $which" ;;
    *) echo "build.sh: unknown build $which (native, windows, windows64 or all)" >&2; exit 1 ;;
  esac
done
for preset in $presets; do
  echo "== build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
