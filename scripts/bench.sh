#!/usr/bin/env bash
# Runs Corvel's benchmarks: installs what is missing (as root), builds into build/, starts a
# private Xvfb, Wine prefix and desktop, runs bench/bench.py in it and prints one table (also
# written to $CORVEL_BUILD/bench-results.md). Not part of the tests; takes about 6 minutes.
# `bash scripts/bench.sh --quick` runs fewer rounds. CORVEL_BUILD chooses another build folder.
CORVEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export CORVEL_ROOT
export CORVEL_BUILD=${CORVEL_BUILD:-$CORVEL_ROOT/build}

# shellcheck source=scripts/setup.sh
source "$CORVEL_ROOT/scripts/setup.sh"
corvel_install_packages || exit 1
corvel_build || exit 1

export CORVEL_PRIVATE_DISPLAY=1
# shellcheck source=scripts/wine-env.sh
source "$CORVEL_ROOT/scripts/wine-env.sh"
trap corvel_wine_down EXIT
trap 'exit 130' INT TERM HUP
corvel_wine_up || exit 1

export CORVEL_E2E_SESSION=1
python3 "$CORVEL_ROOT/bench/bench.py" "$@" </dev/null | tee "$CORVEL_BUILD/bench-results.md"
exit "${PIPESTATUS[0]}"
