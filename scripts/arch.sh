# Sourced by the other scripts: which Windows build this machine builds, runs and tests.
#
# Some kernels run 64-bit code only: no 32-bit Linux program starts there, so Wine's 32-bit loader
# never runs and the i686 build cannot be tested. The scripts find out by starting a tiny 32-bit
# program, never by the architecture's name.
#
#   CORVEL_ARCH       i686 where 32-bit code runs, else x86_64. Set it to x86_64 beforehand to
#                     take the 64-bit path on any machine (i686 where 32-bit code cannot run is
#                     refused).
#   CORVEL_RUNS_32BIT 1 or 0: what the machine can do, whatever CORVEL_ARCH says
#   CORVEL_WINEARCH   win32 or win64: the prefix the build's programs run in
#   CORVEL_WINE       the one Wine loader every Wine call of the scripts and tests goes through
#   CORVEL_TOOLCHAIN  the CMake toolchain file of the build
#   CORVEL_BUILD      the build folder (default build/<arch> of the checkout)
CORVEL_ROOT=${CORVEL_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}

# A 96-byte i386 ELF program that only exits with code 32.
corvel_runs_32bit() {
  local probe rc
  probe=$(mktemp "${TMPDIR:-/tmp}/corvel-i386.XXXXXX") || return 1
  printf '\177\105\114\106\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000\270\001\000\000\000\273\040\000\000\000\315\200' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null
  rc=$?
  rm -f "$probe"
  [ "$rc" = 32 ]
}

# Settings of one build width: i686 or x86_64.
corvel_arch_settings() {
  case "$1" in
    i686)
      CORVEL_WINEARCH=win32
      CORVEL_WINE=/usr/lib/wine/wine
      ;;
    x86_64)
      CORVEL_WINEARCH=win64
      CORVEL_WINE=/usr/lib/wine/wine64
      ;;
    *)
      echo "[corvel] CORVEL_ARCH must be i686 or x86_64, not '$1'" >&2
      return 1
      ;;
  esac
  CORVEL_TOOLCHAIN=$CORVEL_ROOT/cmake/toolchain-$1-mingw.cmake
}

if [ -z "${CORVEL_RUNS_32BIT:-}" ]; then
  if corvel_runs_32bit; then CORVEL_RUNS_32BIT=1; else CORVEL_RUNS_32BIT=0; fi
fi
if [ -z "${CORVEL_ARCH:-}" ]; then
  if [ "$CORVEL_RUNS_32BIT" = 1 ]; then CORVEL_ARCH=i686; else CORVEL_ARCH=x86_64; fi
elif [ "$CORVEL_ARCH" = i686 ] && [ "$CORVEL_RUNS_32BIT" != 1 ]; then
  echo "[corvel] CORVEL_ARCH=i686, but this machine runs no 32-bit code: taking x86_64" >&2
  CORVEL_ARCH=x86_64
fi
corvel_arch_settings "$CORVEL_ARCH" || return 1
CORVEL_BUILD=${CORVEL_BUILD:-$CORVEL_ROOT/build/$CORVEL_ARCH}
export CORVEL_ROOT CORVEL_ARCH CORVEL_RUNS_32BIT CORVEL_WINEARCH CORVEL_WINE CORVEL_TOOLCHAIN CORVEL_BUILD
