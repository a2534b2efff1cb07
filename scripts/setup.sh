#!/bin/sh
# Installs what the project needs from Debian's packages, once: the native
# toolchain and GoogleTest sources, mingw-w64 for 32-bit Windows, Wine with its
# 32-bit part, Xvfb and ImageMagick. Quick when everything is there already.
set -eu

packages="cmake make g++ googletest g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
wine wine32:i386 fonts-wine xvfb xauth imagemagick"

missing=""
for p in $packages; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends $missing
