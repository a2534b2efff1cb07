# Sourced by the Wine scripts: sets up the environment for one flavour of
# Wine. Each Windows build folder has a prefix of its own; the flavour comes
# from the executables themselves (the machine word of their PE header), so
# no script has to be told which build it runs.
#
#   wine_flavour_of FILE.exe     prints win32 or win64 (nothing for non-PE)
#   wine_use FLAVOUR PREFIX      exports WINEPREFIX, WINEARCH and the rest and
#                                sets WINE and WINESERVER_CMD

wine_flavour_of() {
  # e_lfanew at offset 60, then "PE\0\0" and the machine word.
  _off=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
  [ -n "$_off" ] || return 0
  case $(od -An -tx2 -j$((_off + 4)) -N2 "$1" 2>/dev/null | tr -d ' ') in
    014c) echo win32 ;;
    8664) echo win64 ;;
  esac
}

wine_use() {
  export WINEPREFIX="$2"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEARCH="$1"
  if [ "$1" = win64 ]; then
    # Debian's 64-bit Wine on its own: it runs where 32-bit programs cannot.
    export WINELOADER=/usr/lib/wine/wine64
    export WINESERVER=/usr/lib/wine/wineserver64
    WINE=/usr/lib/wine/wine64
    WINESERVER_CMD=/usr/lib/wine/wineserver64
  else
    unset WINELOADER WINESERVER
    WINE=wine
    WINESERVER_CMD=wineserver
  fi
}
