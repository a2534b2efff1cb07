#!/bin/sh
# Prepares the quiet Wine prefix of a Windows build folder, once; 32- or
# 64-bit after the build's own executables.
# Usage: wine-prefix.sh BUILD_DIR
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/cmake/wine-env.sh"
build_dir=$(cd "$1" && pwd)
flavour=""
for exe in "$build_dir"/bin/*.exe; do
  [ -f "$exe" ] || continue
  flavour=$(wine_flavour_of "$exe")
  [ -n "$flavour" ] && break
done
[ -n "$flavour" ] || { echo "wine-prefix.sh: no Windows executable in $build_dir/bin" >&2; exit 1; }
wine_use "$flavour" "$build_dir/wineprefix"
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
echo "Preparing the $flavour Wine prefix $WINEPREFIX (first start takes a while)..."
"$WINE" wineboot -i >/dev/null 2>&1 || true
# Without a window manager asking Wine to manage windows makes every close
# wait for about two seconds.
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 \
  || { echo "wine-prefix.sh: Wine could not start in $WINEPREFIX" >&2; exit 1; }
"$WINESERVER_CMD" -w
install_marlett
touch "$WINEPREFIX/.modtools-ready"
