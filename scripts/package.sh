#!/usr/bin/env bash
# Builds the release and writes into out/release/, for each width this machine builds:
#   corvel-<version>-<width>.zip   a portable folder: corvel.exe, Hooks.dll, Help\, the language
#                                  libraries, README.txt and LICENSE.txt
#   corvel-<version>-<width>.msi   a per-machine Windows Installer package (wixl)
# and SHA256SUMS of the files. As root on Debian 12: installs what it needs.
#
#   bash scripts/package.sh                  both widths (release builds in build/release/<width>)
#   bash scripts/package.sh --width x86_64   one width
#   bash scripts/package.sh --from-build DIR --width W [--version V] [--out DIR]
#                                            package the programs of an existing build (tests)
# The version is the CMake project's; --version stamps another one on the packages (tests).
set -euo pipefail
CORVEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export CORVEL_ROOT
widths=() from_build="" version="" out=$CORVEL_ROOT/out/release
while [ $# -gt 0 ]; do
  case "$1" in
    --width) widths+=("$2"); shift 2 ;;
    --from-build) from_build=$2; shift 2 ;;
    --version) version=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    *) echo "[corvel] package.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
[ ${#widths[@]} -gt 0 ] || widths=(x86_64 i686)
log() { echo "[corvel] $*" >&2; }

# shellcheck source=scripts/setup.sh
source "$CORVEL_ROOT/scripts/setup.sh"
# What packaging needs: the compilers of the widths asked for, the build tools and wixl.
CORVEL_PACKAGES=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev cmake ninja-build python3 dpkg-dev wixl msitools)
for w in "${widths[@]}"; do
  [ "$w" = i686 ] && CORVEL_PACKAGES+=(g++-mingw-w64-i686-posix mingw-w64-i686-dev)
done
corvel_install_packages

project_version() {
  sed -n 's/^project(Corvel VERSION \([0-9.]*\).*/\1/p' "$CORVEL_ROOT/CMakeLists.txt"
}
[ -n "$version" ] || version=$(project_version)

strip_tool() { [ "$1" = x86_64 ] && echo x86_64-w64-mingw32-strip || echo i686-w64-mingw32-strip; }

# The folder the zip holds and the installer takes its files from.
stage() {
  local bin=$1 width=$2 dir=$3
  rm -rf "$dir"
  mkdir -p "$dir/Help"
  cp "$bin/corvel.exe" "$bin/Hooks.dll" "$dir/"
  # Without their symbols: a quarter of the size.
  "$(strip_tool "$width")" --strip-unneeded "$dir/corvel.exe" "$dir/Hooks.dll"
  cp "$bin"/*.lng "$dir/"
  cp "$bin/Help/corvlhelp.hlp" "$bin/Help/corvlhelp.html" "$dir/Help/"
  sed -e "s/@VERSION@/$version/g" -e "s/@WIDTH@/$width/g" "$CORVEL_ROOT/resources/installer/README.txt.in" |
    sed 's/$/\r/' >"$dir/README.txt"
  sed 's/$/\r/' "$CORVEL_ROOT/LICENSE.txt" >"$dir/LICENSE.txt"
}

package_width() {
  local width=$1 bin=$2 name stage_dir arch
  name=corvel-$version-$width
  stage_dir=$out/stage/$name
  stage "$bin" "$width" "$stage_dir"
  rm -f "$out/$name.zip" "$out/$name.msi"
  (cd "$out/stage" && python3 - "$name" "$out/$name.zip" <<'PY'
import os, sys, zipfile
root, target = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as z:
    for folder, _, files in sorted(os.walk(root)):
        for f in sorted(files):
            z.write(os.path.join(folder, f))
PY
  )
  arch=x86; [ "$width" = x86_64 ] && arch=x64
  cp "$CORVEL_ROOT/resources/corvel.ico" "$out/stage/corvel.ico"
  # wixl finds the files by paths relative to where it runs.
  (cd "$out/stage" && wixl -a "$arch" -D "Version=$version" -D "Arch=$arch" -D "Stage=$name" \
       -o "$out/$name.msi" "$CORVEL_ROOT/resources/installer/corvel.wxs" 2>&1 | grep -v 'Package/@Platform' >&2 || true)
  [ -f "$out/$name.msi" ] || { log "wixl wrote no $name.msi"; exit 1; }
  log "packaged $out/$name.zip and $out/$name.msi"
}

mkdir -p "$out"
for width in "${widths[@]}"; do
  if [ -n "$from_build" ]; then
    package_width "$width" "$from_build/bin"
    continue
  fi
  dir=$CORVEL_ROOT/build/release/$width
  if [ ! -f "$dir/build.ninja" ]; then
    log "configuring the $width release build in $dir"
    cmake -S "$CORVEL_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCORVEL_BUILD_TESTS=OFF \
          -DCMAKE_TOOLCHAIN_FILE="$CORVEL_ROOT/cmake/toolchain-$width-mingw.cmake" >/dev/null
  fi
  cmake --build "$dir"
  package_width "$width" "$dir/bin"
  if [ "$width" = i686 ] && [ "$CORVEL_RUNS_32BIT" != 1 ]; then
    log "the i686 packages were built but not tried: this machine runs no 32-bit code"
  fi
done
rm -rf "$out/stage"
(cd "$out" && sha256sum -- *.zip *.msi >SHA256SUMS)
log "checksums in $out/SHA256SUMS"
