# Sourced by the scripts: what this host can run. Decided once per script.
#
#   host_check_32bit   sets HOST_RUNS_32BIT to yes or no and, for no,
#                      HOST_32BIT_REASON to one line saying why
#
# Some kernels have no 32-bit emulation: every i386 program, Wine's 32-bit
# loader included, fails there with "Exec format error". The 64-bit Windows
# build runs under 64-bit Wine on every host. MODTOOLS_HOST_32BIT=no makes a
# host that can run 32-bit programs behave as one that cannot (to try that
# path); MODTOOLS_HOST_32BIT=yes skips the check.

host_check_32bit() {
  HOST_32BIT_REASON=""
  case ${MODTOOLS_HOST_32BIT:-} in
    no)
      HOST_RUNS_32BIT=no
      HOST_32BIT_REASON="this kernel cannot run 32-bit programs (as MODTOOLS_HOST_32BIT=no says)"
      return 0 ;;
    yes)
      HOST_RUNS_32BIT=yes
      return 0 ;;
  esac
  if [ ! -e /usr/lib/wine/wine ]; then
    HOST_RUNS_32BIT=no
    HOST_32BIT_REASON="32-bit Wine (wine32:i386) is not installed"
  elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
    HOST_RUNS_32BIT=yes
  else
    HOST_RUNS_32BIT=no
    HOST_32BIT_REASON="this kernel cannot run 32-bit programs"
  fi
}
