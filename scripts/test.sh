#!/usr/bin/env bash
# Runs every test: installs what is missing (as root), builds into build/, starts one private
# Xvfb, Wine prefix and desktop for the whole run, runs ctest in it (the GoogleTest unit tests
# through wine and each end-to-end script) and ends every process it started.
# Extra arguments go to ctest, e.g. `bash scripts/test.sh -R e2e_startup`.
# CORVEL_BUILD chooses another build folder (default: build/ of the checkout).
CORVEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export CORVEL_ROOT
export CORVEL_BUILD=${CORVEL_BUILD:-$CORVEL_ROOT/build}

# shellcheck source=scripts/setup.sh
source "$CORVEL_ROOT/scripts/setup.sh"
# The tests click and take screenshots: never on the user's own display.
corvel_private_desktop || exit 1
rm -rf "$CORVEL_BUILD/e2e-shots" "$CORVEL_BUILD/e2e-logs"
rc=0
ctest --test-dir "$CORVEL_BUILD" --output-on-failure "$@" </dev/null || rc=$?
if [ -d "$CORVEL_BUILD/e2e-shots" ] && [ -n "$(ls -A "$CORVEL_BUILD/e2e-shots")" ]; then
  echo "[corvel] screenshots of the end-to-end tests: $CORVEL_BUILD/e2e-shots" >&2
fi
exit $rc
