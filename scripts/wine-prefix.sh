#!/bin/sh
# Prepares the quiet 32-bit Wine prefix of a Windows build folder, once.
# Usage: wine-prefix.sh BUILD_DIR
set -eu
build_dir=$1
export WINEPREFIX="$(cd "$build_dir" && pwd)/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win32
if [ -f "$WINEPREFIX/.modtools-ready" ]; then
  exit 0
fi
echo "Preparing the Wine prefix $WINEPREFIX (first start takes a while)..."
wineboot -i >/dev/null 2>&1 || true
# Without a window manager asking Wine to manage windows makes every close
# wait for about two seconds.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
wineserver -w
touch "$WINEPREFIX/.modtools-ready"
