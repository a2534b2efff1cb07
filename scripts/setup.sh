#!/bin/sh
# Installs what the project needs from Debian's packages, once: the native
# toolchain and GoogleTest sources, mingw-w64 for 32- and 64-bit Windows, the
# header-only libraries of the command-line program, GNU gettext and
# python3-polib (the PO files are checked with them), both flavours of Wine,
# Xvfb, ImageMagick, zip and unzip, and cmark-gfm (the release packages'
# user's guide is made with it). Quick when everything is there already.
#
# The 32-bit part of Wine is installed apart from the rest: on a host whose
# kernel cannot run 32-bit programs it may install and still not run, or not
# install at all; the 64-bit Windows build is tested there instead.
set -eu

packages="cmake make g++ googletest
g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
libcli11-dev nlohmann-json3-dev gettext python3-polib
wine wine64 fonts-wine xvfb xauth imagemagick zip unzip file cmark-gfm"
packages32="wine32:i386"

missing_of() {
  missing=""
  for p in $1; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing="$missing $p"
    fi
  done
  echo "$missing"
}

missing=$(missing_of "$packages")
missing32=$(missing_of "$packages32")
[ -z "$missing" ] && [ -z "$missing32" ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
apt_install() {
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "$@"
}
if [ -n "$missing32" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -q
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  apt_install $missing
fi
if [ -n "$missing32" ]; then
  echo "Installing:$missing32"
  apt_install $missing32 || echo "setup.sh: the 32-bit part of Wine could not be installed; only the 64-bit Windows build will be tested" >&2
fi
