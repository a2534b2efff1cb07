#!/bin/sh
# Makes the release packages, reproducibly, into build/packages:
#   modtools-VERSION-windows-x86.zip      the 32-bit Windows programs
#   modtools-VERSION-windows-x64.zip      the 64-bit Windows programs
#   modtools-VERSION-linux-x86_64.tar.gz  the native command-line programs
# each with the sample configurations and templates, the documentation and a
# short read-me. Every packaged executable is checked first: a PE file of its
# build's machine type, a version block with the project version and a
# manifest naming its own architecture. Packing the same sources twice gives
# byte-identical packages: fixed times (the last commit's, or
# SOURCE_DATE_EPOCH), fixed order and permissions, no owner names. Prints
# each package's SHA-256 and writes them to build/packages/SHA256SUMS.
# Usage: scripts/package.sh
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
scripts/setup.sh
build_log=$(mktemp)
trap 'rm -f "$build_log"' EXIT
scripts/build.sh native windows windows64 >"$build_log" 2>&1 || { cat "$build_log"; exit 1; }

VERSION=$(sed -n 's/^project(ModTools VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$VERSION" ] || { echo "package.sh: no project version in CMakeLists.txt" >&2; exit 1; }
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || echo 315532800)
fi
export SOURCE_DATE_EPOCH
OUT="$ROOT/build/packages"
STAGE="$ROOT/build/packages/stage"
rm -rf "$OUT"
mkdir -p "$STAGE"
failures=0

# What each package must hold.
WINDOWS_PROGRAMS="Tessaly Crandle Gathrix Yodrel Morvane modtools"
LINUX_PROGRAMS="Morvane modtools"

fail() { echo "package.sh: $*" >&2; failures=$((failures + 1)); }

# check_exe FILE PE-FORMAT ARCH TOOL-PREFIX
check_exe() {
  exe=$1 format=$2 arch=$3 tools=$4
  what=$(basename "$exe")
  "$tools-objdump" -f "$exe" | grep -aq "file format $format\$" || fail "$what is not a $format file"
  rc=$("$tools-windres" -i "$exe" -O rc 2>/dev/null) || { fail "$what: its resources cannot be read"; return; }
  for field in FileVersion ProductVersion; do
    echo "$rc" | grep -aq "VALUE \"$field\", \"$VERSION\"" || fail "$what: $field is not $VERSION"
  done
  echo "$rc" | grep -aq 'VALUE "ProductName", ".' || fail "$what: no product name"
  echo "$rc" | grep -aq 'VALUE "FileDescription", ".' || fail "$what: no description"
  manifest=$(echo "$rc" | grep -a 'processorArchitecture=' || true)
  [ -n "$manifest" ] || fail "$what: no manifest"
  if echo "$manifest" | grep -av "processorArchitecture=\"\"$arch\"\"" | grep -aq .; then
    fail "$what: its manifest names another architecture than $arch"
  fi
}

# check_windows_manifests DIR: every program runs as its user (asInvoker),
# is DPI aware and names Windows 7 to 11; each dialog program's icon holds a
# 256-pixel image. scripts/check-manifest.py reads them back from the files.
check_windows_manifests() {
  for exe in "$1"/*.exe; do
    case $(basename "$exe" .exe) in Tessaly|Crandle|Gathrix|Yodrel) icon=--icon ;; *) icon= ;; esac
    python3 scripts/check-manifest.py $icon "$exe" >&2 || fail "$(basename "$exe"): manifest or icon as above"
  done
}

# stage BUILD NAME: installs a build into its own folder with fixed
# permissions and times.
stage() {
  dir="$STAGE/$2"
  cmake --install "build/$1" --prefix "$dir" --strip >/dev/null
  find "$dir" -type d -exec chmod 755 {} +
  find "$dir" -type f -exec chmod 644 {} +
  find "$dir" -type f \( -name '*.exe' -o -path '*/bin/*' \) -exec chmod 755 {} +
  find "$dir" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

# Windows: one zip per build, its files in name order, no extra fields.
for build in windows windows64; do
  case $build in
    windows) suffix=windows-x86 format=pei-i386 arch=x86 tools=i686-w64-mingw32 ;;
    windows64) suffix=windows-x64 format=pei-x86-64 arch=amd64 tools=x86_64-w64-mingw32 ;;
  esac
  name="modtools-$VERSION-$suffix"
  stage "$build" "$name"
  for program in $WINDOWS_PROGRAMS; do
    [ -f "$STAGE/$name/$program.exe" ] || fail "$name lacks $program.exe"
  done
  for exe in "$STAGE/$name"/*.exe; do
    check_exe "$exe" "$format" "$arch" "$tools"
  done
  check_windows_manifests "$STAGE/$name"
  (cd "$STAGE" && find "$name" | LC_ALL=C sort | TZ=UTC zip -q -X -D -@ "$OUT/$name.zip")
done

# Linux: the native command-line programs.
name="modtools-$VERSION-linux-x86_64"
stage native "$name"
for program in $LINUX_PROGRAMS; do
  [ -f "$STAGE/$name/bin/$program" ] || fail "$name lacks bin/$program"
done
for program in "$STAGE/$name"/bin/*; do
  file -b "$program" | grep -q '^ELF 64-bit LSB .*x86-64' || fail "$(basename "$program") is not an x86-64 ELF program"
done
(cd "$STAGE" && find "$name" | LC_ALL=C sort |
  tar --no-recursion --files-from=- --owner=0 --group=0 --numeric-owner --format=gnu \
      --mtime="@$SOURCE_DATE_EPOCH" -cf - | gzip -n -9 >"$OUT/$name.tar.gz")

[ $failures -eq 0 ] || { echo "package.sh: $failures check(s) failed; the packages are not fit to publish" >&2; exit 1; }
rm -rf "$STAGE"
(cd "$OUT" && sha256sum modtools-* >SHA256SUMS && cat SHA256SUMS)
echo "Packages of version $VERSION are in build/packages."
