#!/usr/bin/env bash
# Builds the static JPEG library (libjpeg-turbo, from Debian's source package) for one MinGW-w64
# target and installs it under PREFIX (include/ and lib/libjpeg.a). A second run finds the
# installed library and does nothing.
#
#   bash scripts/libjpeg.sh C_COMPILER PREFIX
#
# C_COMPILER is the target's C compiler (i686-w64-mingw32-gcc-posix, x86_64-w64-mingw32-gcc-posix);
# the source package is fetched once into PREFIX/../source with a private package list of source
# entries, so the machine's own package sources are left as they are.
set -euo pipefail
compiler=${1:?target C compiler}
prefix=${2:?install folder}
[ -f "$prefix/lib/libjpeg.a" ] && [ -f "$prefix/include/jpeglib.h" ] && exit 0

mkdir -p "$prefix"
prefix=$(cd "$prefix" && pwd)
cache=$(dirname "$prefix")/source
mkdir -p "$cache"
log() { echo "[corvel] libjpeg: $*" >&2; }

source_tree() { find "$cache" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | sort | tail -n 1; }

if [ -z "$(source_tree)" ]; then
  command -v dpkg-source >/dev/null || { log "dpkg-source (package dpkg-dev) is needed"; exit 1; }
  # The source entries of the machine's Debian sources, in a list of our own.
  apt_dir=$cache/apt
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/archives/partial" "$apt_dir/parts"
  : >"$apt_dir/sources.list"
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    sed -e 's/^Types:.*/Types: deb-src/' "$f" >"$apt_dir/parts/$(basename "$f")"
  done
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list >"$apt_dir/sources.list"
  fi
  apt_opts=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=$apt_dir/parts"
            -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache::Archives=$apt_dir/archives"
            -o "Debug::NoLocking=1" -o "APT::Sandbox::User=root")
  log "fetching Debian's source package"
  apt-get -q "${apt_opts[@]}" update >"$cache/apt-update.log" 2>&1 || { cat "$cache/apt-update.log" >&2; exit 1; }
  (cd "$cache" && apt-get -q "${apt_opts[@]}" source libjpeg-turbo >"$cache/apt-source.log" 2>&1) \
    || { cat "$cache/apt-source.log" >&2; exit 1; }
fi
src=$(source_tree)
[ -n "$src" ] || { log "no source tree in $cache"; exit 1; }

work=$prefix/../build-$(basename "$prefix")
rm -rf "$work"
# i686, x86_64: the first part of the compiler's name.
processor=$(basename "$compiler")
processor=${processor%%-*}
log "building $(basename "$src") with $compiler"
cmake -S "$src" -B "$work" -G Ninja -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR="${processor}" \
  -DCMAKE_C_COMPILER="$compiler" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DWITH_SIMD=0 -DENABLE_SHARED=0 \
  -DWITH_TURBOJPEG=0 -DCMAKE_POSITION_INDEPENDENT_CODE=0 >"$prefix/../build-$(basename "$prefix").log" 2>&1 \
  || { cat "$prefix/../build-$(basename "$prefix").log" >&2; exit 1; }
cmake --build "$work" --target jpeg-static >>"$prefix/../build-$(basename "$prefix").log" 2>&1 \
  || { tail -n 40 "$prefix/../build-$(basename "$prefix").log" >&2; exit 1; }
# Only the library and its headers: the command-line tools are not needed.
mkdir -p "$prefix/lib" "$prefix/include"
cp "$work/libjpeg.a" "$prefix/lib/libjpeg.a"
cp "$src/jpeglib.h" "$src/jmorecfg.h" "$src/jerror.h" "$work/jconfig.h" "$prefix/include/"
log "installed in $prefix"
