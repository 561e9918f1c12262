#!/usr/bin/env bash
# Runs every test: installs what is missing (as root), builds, starts a private Xvfb, Wine prefix
# and desktop, runs ctest in it (the GoogleTest unit tests through Wine and each end-to-end
# script) and ends every process it started.
#   Where 32-bit code runs: both widths are built; every test runs on the i686 build in a win32
#   prefix, then on the x86_64 build in a win64 prefix the unit tests and the end-to-end tests
#   under win10 (CORVEL_E2E_VERSIONS=win10 skips the others).
#   Where it does not (or with CORVEL_ARCH=x86_64): the x86_64 build alone, every test on it.
# Extra arguments go to ctest, e.g. `bash scripts/test.sh -R e2e_startup`.
# CORVEL_BUILD chooses another build folder for the tested width (default: build/<arch>).
CORVEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export CORVEL_ROOT

# shellcheck source=scripts/setup.sh
source "$CORVEL_ROOT/scripts/setup.sh" || exit 1
if [ "$CORVEL_RUNS_32BIT" != 1 ]; then
  echo "[corvel] the i686 build is untested here: this machine runs no 32-bit code (a 32-bit test program did not start); testing the x86_64 build" >&2
elif [ "$CORVEL_ARCH" = x86_64 ]; then
  echo "[corvel] the i686 build is untested in this run: CORVEL_ARCH=x86_64 asked for the 64-bit path alone" >&2
fi
corvel_install_packages || exit 1
corvel_build || exit 1
started=$SECONDS
# The second width this machine builds: after the whole suite of the first, its unit tests and
# the end-to-end tests under today's Windows (the x86_64 build is what most users install).
other=
if [ "$CORVEL_ARCH" = i686 ]; then
  other=$CORVEL_ROOT/build/x86_64
  corvel_build x86_64 "$other" || exit 1
fi

corvel_ctest() {
  rm -rf "$CORVEL_BUILD/e2e-shots" "$CORVEL_BUILD/e2e-logs"
  echo "[corvel] testing the $CORVEL_ARCH build in $CORVEL_BUILD ($CORVEL_WINEARCH prefix)" >&2
  ctest --test-dir "$CORVEL_BUILD" --output-on-failure "$@" </dev/null
}

rc=0
# The tests click and take screenshots: never on the user's own display.
( corvel_desktop_session || exit 1; corvel_ctest "$@" ) || rc=$?
if [ -n "$other" ] && [ -n "$(ctest --test-dir "$other" -N "$@" | grep '^ *Test *#')" ]; then
  ( export CORVEL_ARCH=x86_64 CORVEL_BUILD=$other CORVEL_E2E_VERSIONS=win10
    source "$CORVEL_ROOT/scripts/arch.sh" && corvel_desktop_session || exit 1
    echo "[corvel] the x86_64 build: every unit test, and the end-to-end tests under win10 (the rest is skipped)" >&2
    corvel_ctest "$@" ) || rc=$?
fi
for dir in "$CORVEL_BUILD" $other; do
  if [ -d "$dir/e2e-shots" ] && [ -n "$(ls -A "$dir/e2e-shots")" ]; then
    echo "[corvel] screenshots of the end-to-end tests: $dir/e2e-shots" >&2
  fi
done
echo "[corvel] tests took $((SECONDS - started)) s" >&2
exit $rc
