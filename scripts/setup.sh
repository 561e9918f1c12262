# Sourced by run.sh, test.sh and bench.sh: installs what is missing and builds.
#
#   corvel_install_packages   apt-get install of the missing Debian packages (root only)
#   corvel_build [ARCH DIR]   configure (first time) and build one width, by default the one
#                             this machine runs ($CORVEL_ARCH into $CORVEL_BUILD)
#   corvel_private_desktop    all of that, then a private Xvfb, Wine prefix and desktop
CORVEL_ROOT=${CORVEL_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
# shellcheck source=scripts/arch.sh
source "$CORVEL_ROOT/scripts/arch.sh" || return 1

# What every machine needs; the i686 compilers and Wine's 32-bit loader only where 32-bit code
# runs (a wine32 package where it cannot run would only get in the way).
CORVEL_PACKAGES=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine wine64 xvfb xdotool
                 imagemagick fonts-wine googletest cmake ninja-build python3 dpkg-dev wixl msitools)
if [ "$CORVEL_ARCH" = i686 ]; then
  CORVEL_PACKAGES+=(g++-mingw-w64-i686-posix mingw-w64-i686-dev wine32:i386)
fi

corvel_missing_packages() {
  local p
  for p in "${CORVEL_PACKAGES[@]}"; do
    [ "$(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null)" = "ii " ] || echo "$p"
  done
}

corvel_install_packages() {
  local missing
  missing=$(corvel_missing_packages)
  [ -z "$missing" ] && return 0
  echo "[corvel] installing:" $missing >&2
  if [ "$(id -u)" != 0 ]; then
    echo "[corvel] run as root to install the missing packages (with sudo where it exists: sudo -E bash $0)" >&2
    return 1
  fi
  # wine32 is a 32-bit package: the i386 architecture must be known to dpkg first.
  if echo "$missing" | grep -q ':i386$' && [ "$(dpkg --print-architecture)" != i386 ] &&
     ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386 || return 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q || return 1
  # shellcheck disable=SC2086
  apt-get install -y -q $missing || return 1
  missing=$(corvel_missing_packages)
  if [ -n "$missing" ]; then
    echo "[corvel] still missing after the install:" $missing >&2
    return 1
  fi
}

corvel_build() {
  local arch=${1:-$CORVEL_ARCH} dir=${2:-$CORVEL_BUILD}
  local toolchain=$CORVEL_ROOT/cmake/toolchain-$arch-mingw.cmake
  local cache=$dir/CMakeCache.txt
  # A build folder configured for another checkout or width cannot be reused.
  if [ -f "$cache" ] && { ! grep -qx "CMAKE_HOME_DIRECTORY:INTERNAL=$CORVEL_ROOT" "$cache" ||
                          ! grep -q "^CMAKE_TOOLCHAIN_FILE:[A-Z]*=$toolchain\$" "$cache"; }; then
    echo "[corvel] $dir belongs to another checkout or width: configuring anew" >&2
    rm -rf "$cache" "$dir/CMakeFiles"
  fi
  if [ ! -f "$dir/build.ninja" ]; then
    rm -rf "$cache" "$dir/CMakeFiles"  # another generator's, or a broken first try
    echo "[corvel] configuring the $arch build in $dir" >&2
    cmake -S "$CORVEL_ROOT" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" >/dev/null || return 1
  fi
  cmake --build "$dir" || return 1
}

# Install, build and start a private Xvfb, Wine prefix and desktop that end with the calling
# script; the end-to-end driver then joins that desktop.
corvel_private_desktop() {
  corvel_install_packages || return 1
  corvel_build || return 1
  corvel_desktop_session
}

# A private Xvfb, Wine prefix and desktop for the build of $CORVEL_ARCH, ended with the caller.
corvel_desktop_session() {
  export CORVEL_PRIVATE_DISPLAY=1
  # shellcheck source=scripts/wine-env.sh
  source "$CORVEL_ROOT/scripts/wine-env.sh"
  trap corvel_wine_down EXIT
  trap 'exit 130' INT TERM HUP
  corvel_wine_up || return 1
  export CORVEL_E2E_SESSION=1
}
