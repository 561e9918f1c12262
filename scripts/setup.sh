# Sourced by run.sh and test.sh: installs what is missing and builds into $CORVEL_BUILD.
#
#   corvel_install_packages   apt-get install of the missing Debian packages (root only)
#   corvel_build              configure (first time) and build with the MinGW toolchain file
CORVEL_ROOT=${CORVEL_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
CORVEL_BUILD=${CORVEL_BUILD:-$CORVEL_ROOT/build}
CORVEL_PACKAGES=(g++-mingw-w64-i686-posix mingw-w64-i686-dev wine wine32:i386 wine64 xvfb xdotool
                 imagemagick fonts-wine googletest cmake ninja-build python3 dpkg-dev)

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
    echo "[corvel] run as root (sudo) to install the missing packages" >&2
    return 1
  fi
  # wine32 is a 32-bit package: the i386 architecture must be known to dpkg first.
  if [ "$(dpkg --print-architecture)" != i386 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
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
  local cache=$CORVEL_BUILD/CMakeCache.txt
  # A build folder configured for another checkout cannot be reused.
  if [ -f "$cache" ] && ! grep -qx "CMAKE_HOME_DIRECTORY:INTERNAL=$CORVEL_ROOT" "$cache"; then
    echo "[corvel] $CORVEL_BUILD belongs to another checkout: configuring anew" >&2
    rm -rf "$cache" "$CORVEL_BUILD/CMakeFiles"
  fi
  if [ ! -f "$CORVEL_BUILD/build.ninja" ]; then
    rm -rf "$cache" "$CORVEL_BUILD/CMakeFiles"  # another generator's, or a broken first try
    cmake -S "$CORVEL_ROOT" -B "$CORVEL_BUILD" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$CORVEL_ROOT/cmake/toolchain-i686-mingw.cmake" >/dev/null || return 1
  fi
  cmake --build "$CORVEL_BUILD" || return 1
}

# Install, build and start a private Xvfb, Wine prefix and desktop that end with the calling
# script; the end-to-end driver then joins that desktop.
corvel_private_desktop() {
  corvel_install_packages || return 1
  corvel_build || return 1
  export CORVEL_PRIVATE_DISPLAY=1
  # shellcheck source=scripts/wine-env.sh
  source "$CORVEL_ROOT/scripts/wine-env.sh"
  trap corvel_wine_down EXIT
  trap 'exit 130' INT TERM HUP
  corvel_wine_up || return 1
  export CORVEL_E2E_SESSION=1
}
