#!/bin/sh
# Prepares the quiet 32-bit Wine prefix of a Windows build folder, once.
# Usage: wine-prefix.sh BUILD_DIR
set -eu
build_dir=$1
export WINEPREFIX="$(cd "$build_dir" && pwd)/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win32
# Window captions draw their buttons with the Marlett font; a prefix that
# lacks it shows letters instead.
install_marlett() {
  fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ -d "$fonts" ] && [ ! -f "$fonts/marlett.ttf" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
    cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
  fi
}
if [ -f "$WINEPREFIX/.modtools-ready" ]; then
  install_marlett
  exit 0
fi
echo "Preparing the Wine prefix $WINEPREFIX (first start takes a while)..."
wineboot -i >/dev/null 2>&1 || true
# Without a window manager asking Wine to manage windows makes every close
# wait for about two seconds.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
wineserver -w
install_marlett
touch "$WINEPREFIX/.modtools-ready"
