#!/bin/sh
# Makes the release packages, reproducibly, into build/packages:
#   modtools-VERSION-windows-x86.zip      the 32-bit Windows programs
#   modtools-VERSION-windows-x64.zip      the 64-bit Windows programs
#   modtools-VERSION-linux-x86_64.tar.gz  the native command-line programs
# each with the sample configurations and templates, sample data made by the
# project's own writers, the user's guide in HTML (from guide/*.md, by
# cmark-gfm), a short read-me and the change log. Every packaged executable is
# checked first: a PE file of its build's machine type, a version block with
# the project version and a manifest naming its own architecture; the Linux
# programs must be static. Each package is then unpacked into an empty folder
# and every example of its README.txt is run there as written: natively for
# the tarball, under Wine for the zips. Packing the same sources twice gives
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
# Only what the packages hold is built: the shipped programs, and natively the
# sample data writers.
for build in native windows windows64; do
  case $build in
    native) targets="Morvane modtools morvane_samples modtools_samples" ;;
    *) targets="Tessaly Crandle Gathrix Yodrel Morvane modtools" ;;
  esac
  { cmake --preset "$build" && cmake --build "build/$build" -j2 --target $targets; } >"$build_log" 2>&1 ||
    { cat "$build_log"; exit 1; }
done
. scripts/host.sh
host_check_32bit

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
  cp -R "$USER_FILES/." "$dir/"
  find "$dir" -type d -exec chmod 755 {} +
  find "$dir" -type f -exec chmod 644 {} +
  find "$dir" -type f \( -name '*.exe' -o -path '*/bin/*' \) -exec chmod 755 {} +
  find "$dir" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

# ---- What a user tries first: sample data, the guide, the README examples ----

# make_sample_data DIR: the files README.txt's examples use, written by the
# project's own writers (native build) into DIR/data; out/anim is the folder
# Morvane's animation mode writes into (it makes no folders).
make_sample_data() {
  data=$1/data
  mkdir -p "$data/mod/Art/W3D" "$data/mod/Data/INI" "$data/mod/Data/Lang" "$1/out/anim" "$1/csf"
  build/native/bin/morvane_samples samples "$data" >/dev/null
  build/native/bin/modtools_samples csf "$1/csf" >/dev/null
  mv "$1/csf/sample.csf" "$data/sample.csf"
  rm -rf "$1/csf"
  build/native/bin/modtools_samples asset "$data" >/dev/null
  cp "$data/unit.w3d" "$data/UNITSKL.w3d" "$data/tower.w3d" "$data/mod/Art/W3D/"
  cp "$data/sample.csf" "$data/mod/Data/Lang/"
  printf '%s\n' '; Sample settings of a unit, packed into data/sample.big' \
    'Object SampleUnit' '  Model = UNIT' '  Skeleton = UNITSKL' '  Speed = 30' '  Health = 400' 'End' \
    >"$data/mod/Data/INI/units.ini"
  build/native/bin/modtools big create "$data/mod" -o "$data/sample.big" >/dev/null
  printf '%s\n' "Morvane's animation mode writes here: samples/morvane/sample-anim.cfg." \
    "It creates no folders, so this one is part of the package." >"$1/out/anim/README.txt"
}

# make_guide DIR: the user's guide, guide/*.md, as HTML pages in DIR/guide
# with the pictures they show; links between the pages lead to .html.
make_guide() {
  command -v cmark-gfm >/dev/null || { fail "cmark-gfm is missing (scripts/setup.sh installs it)"; return; }
  mkdir -p "$1/guide/pictures"
  for page in guide/*.md; do
    base=$(basename "$page" .md)
    title=$(sed -n '1s/^# *//p' "$page")
    {
      printf '<!DOCTYPE html>\n<html lang="en">\n<head>\n<meta charset="utf-8">\n'
      printf '<title>%s</title>\n' "$title"
      printf '<style>body{font-family:sans-serif;max-width:50em;margin:1em auto;padding:0 1em;line-height:1.4}'
      printf 'code,pre{background:#f3f3f3}pre{padding:.5em;overflow:auto}table{border-collapse:collapse}'
      printf 'td,th{border:1px solid #bbb;padding:.2em .5em;vertical-align:top}img{max-width:100%%}</style>\n'
      printf '</head>\n<body>\n'
      cmark-gfm --extension table --extension autolink "$page" |
        sed -e 's/href="\([A-Za-z0-9_-]*\)\.md\(#[^"]*\)\{0,1\}"/href="\1.html\2"/g' \
            -e 's#src="\.\./docs/pictures/#src="pictures/#g'
      printf '</body>\n</html>\n'
    } >"$1/guide/$base.html"
  done
  for picture in $(cat "$1"/guide/*.html | grep -o 'src="pictures/[^"]*"' | sed 's/^src="pictures\///; s/"$//' | LC_ALL=C sort -u); do
    cp "docs/pictures/$picture" "$1/guide/pictures/" || fail "the guide shows docs/pictures/$picture, which is missing"
  done
}

# check_unpacked DIR KIND (windows or linux): what a user finds after
# unpacking: the sample data, the guide linked from README.txt with every
# page and picture it links to, the line ends of the sample configurations.
check_unpacked() {
  dir=$1 kind=$2 what=$(basename "$1")
  for file in data/unit.w3d data/UNITSKL.w3d data/tower.w3d data/walk.w3d data/fire.w3d data/dance.w3d \
      data/sample.csf data/sample.big data/first.dat data/second.dat data/mod/Data/INI/units.ini \
      out/anim/README.txt CHANGELOG.txt guide/index.html; do
    [ -s "$dir/$file" ] || fail "$what lacks $file"
  done
  [ -e "$dir/docs" ] && fail "$what holds the developer pages (docs)"
  case $kind in
    windows) guide_link='guide\index.html' ;;
    linux) guide_link='guide/index.html' ;;
  esac
  grep -qF "$guide_link" "$dir/README.txt" || fail "$what: README.txt does not name $guide_link"
  for page in guide/*.md; do
    html=$(basename "$page" .md).html
    [ -s "$dir/guide/$html" ] || fail "$what lacks guide/$html"
    [ "$html" = index.html ] || grep -q "href=\"$html\"" "$dir/guide/index.html" ||
      fail "$what: guide/index.html does not link to $html"
  done
  for link in $(cat "$dir"/guide/*.html | grep -o '\(href\|src\)="[^":#]*' | sed 's/^[a-z]*="//' | LC_ALL=C sort -u); do
    [ -e "$dir/guide/$link" ] || fail "$what: the guide links to guide/$link, which is missing"
  done
  grep -q '\.md"' "$dir"/guide/*.html && fail "$what: a guide page links to a Markdown page"
  for cfg in "$dir"/samples/*/*.cfg; do
    lines=$(wc -l <"$cfg") crlf=$(grep -c "$(printf '\r')\$" "$cfg" || true)
    case $kind in
      windows) [ "$crlf" -eq "$lines" ] || fail "$what: $(basename "$cfg") has lines without Windows line ends" ;;
      linux) [ "$crlf" -eq 0 ] || fail "$what: $(basename "$cfg") has Windows line ends" ;;
    esac
  done
}

# run_examples DIR KIND [BUILD]: every example line of README.txt (a line
# indented by blanks that starts with one of the programs), run as written,
# in order, from DIR; each must end with status 0. Windows examples run under
# Wine with the prefix of BUILD. Then Morvane's sample outputs must be there.
run_examples() {
  dir=$1 kind=$2 what=$(basename "$1") ran=0 wine_build=${3:-}
  case $kind in
    windows) pattern='^ \{1,\}\(Morvane\|modtools\)\.exe\( \|$\)' ;;
    linux) pattern='^ \{1,\}bin/\(Morvane\|modtools\)\( \|$\)' ;;
  esac
  log=$STAGE/examples-$what.log
  : >"$log"
  examples=$(tr -d '\r' <"$dir/README.txt" | grep "$pattern") || { fail "$what: README.txt shows no example"; return; }
  old_ifs=$IFS
  IFS='
'
  for line in $examples; do
    IFS=$old_ifs
    set -f
    # shellcheck disable=SC2086
    set -- $line
    set +f
    echo "> $*" >>"$log"
    status=0
    case $kind in
      windows) program=$1
        shift
        (cd "$dir" && WINEPREFIX="$ROOT/build/$wine_build/wineprefix" "$ROOT/cmake/wine-run.sh" "$dir/$program" "$@" \
          >>"$log" 2>&1) || status=$?
        set -- "$program" "$@" ;;
      linux) (cd "$dir" && "$@" >>"$log" 2>&1) || status=$? ;;
    esac
    ran=$((ran + 1))
    [ $status -eq 0 ] || fail "$what: the README.txt example \"$*\" ended with status $status (output in $log)"
    IFS='
'
  done
  IFS=$old_ifs
  for output in out/text/unit.txt out/text/tower.txt out/html/unit.html out/anim/walk.txt out/anim/dance_copy.w3d \
      out/extracted/Data/INI/units.ini out/my-mod.big out/sample.po out/translated.csf out/merged.dat; do
    [ -s "$dir/$output" ] || fail "$what: after the README.txt examples $output is missing"
  done
  echo "$what: $ran README.txt examples run from an unpacked copy"
}

# check_static PROGRAM: a Linux program needs nothing from the system: no
# dynamic section (static), or at most glibc 2.17 and no C++ library; and no
# kernel newer than 3.2 (its ABI note, which the C library sets).
check_static() {
  what=$(basename "$1")
  abi=$(LC_ALL=C readelf -n "$1" | sed -n 's/.*OS: Linux, ABI: \([0-9.]*\).*/\1/p')
  case $(printf '%s\n3.2.0\n' "${abi:-0}" | sort -t. -k1,1n -k2,2n -k3,3n | tail -1) in
    3.2.0) ;;
    *) fail "$what needs Linux $abi (at most 3.2 allowed)" ;;
  esac
  if LC_ALL=C readelf -d "$1" | grep -q 'There is no dynamic section'; then
    return
  fi
  readelf -d "$1" | grep -q 'NEEDED.*libstdc++' && fail "$what needs the system's C++ library"
  newest=$(objdump -T "$1" | grep -o 'GLIBC_[0-9.]*' | sed 's/GLIBC_//' | sort -t. -k1,1n -k2,2n -k3,3n | tail -1)
  case $(printf '%s\n2.17\n' "${newest:-0}" | sort -t. -k1,1n -k2,2n -k3,3n | tail -1) in
    2.17) ;;
    *) fail "$what needs glibc $newest (at most 2.17 allowed)" ;;
  esac
}

# unpack_and_check ARCHIVE KIND [BUILD]: the package unpacked into an empty
# folder as a user would, checked, and its README.txt examples run.
unpack_and_check() {
  unpack=$STAGE/unpacked
  rm -rf "$unpack"
  mkdir -p "$unpack"
  case $1 in
    *.zip) (cd "$unpack" && unzip -q "$1") ;;
    *.tar.gz) (cd "$unpack" && tar -xzf "$1") ;;
  esac
  top="$unpack/$(basename "$1" | sed 's/\.zip$//; s/\.tar\.gz$//')"
  check_unpacked "$top" "$2"
  if [ "${3:-}" = windows ] && [ "$HOST_RUNS_32BIT" = no ]; then
    # the 32-bit build: its programs cannot run on this host
    echo "$(basename "$1"): README.txt examples not run: $HOST_32BIT_REASON"
  elif [ -n "${3:-}" ] && ! scripts/wine-prefix.sh "build/$3" >/dev/null; then
    fail "the Wine prefix of build/$3 cannot be prepared"
  else
    run_examples "$top" "$2" "${3:-}"
  fi
  rm -rf "$unpack"
}

USER_FILES="$STAGE/user-files"
mkdir -p "$USER_FILES"
make_sample_data "$USER_FILES"
make_guide "$USER_FILES"

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
  unpack_and_check "$OUT/$name.zip" windows "$build"
done

# Linux: the native command-line programs.
name="modtools-$VERSION-linux-x86_64"
stage native "$name"
for program in $LINUX_PROGRAMS; do
  [ -f "$STAGE/$name/bin/$program" ] || fail "$name lacks bin/$program"
done
for program in "$STAGE/$name"/bin/*; do
  file -b "$program" | grep -q '^ELF 64-bit LSB .*x86-64' || fail "$(basename "$program") is not an x86-64 ELF program"
  check_static "$program"
done
(cd "$STAGE" && find "$name" | LC_ALL=C sort |
  tar --no-recursion --files-from=- --owner=0 --group=0 --numeric-owner --format=gnu \
      --mtime="@$SOURCE_DATE_EPOCH" -cf - | gzip -n -9 >"$OUT/$name.tar.gz")
unpack_and_check "$OUT/$name.tar.gz" linux

[ $failures -eq 0 ] || { echo "package.sh: $failures check(s) failed; the packages are not fit to publish" >&2; exit 1; }
rm -rf "$STAGE"
(cd "$OUT" && sha256sum modtools-* >SHA256SUMS && cat SHA256SUMS)
echo "Packages of version $VERSION are in build/packages."
