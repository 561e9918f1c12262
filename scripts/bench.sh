#!/usr/bin/env bash
# Runs Corvel's benchmarks: installs what is missing (as root), builds into build/, starts a
# private Xvfb, Wine prefix and desktop, runs bench/bench.py in it and prints one table (also
# written to $CORVEL_BUILD/bench-results.md). Not part of the tests; takes about 8 minutes.
# `bash scripts/bench.sh --quick` runs fewer rounds. CORVEL_BUILD chooses another build folder
# (default build/<arch>: the i686 build where 32-bit code runs, else the x86_64 one).
CORVEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export CORVEL_ROOT

# shellcheck source=scripts/setup.sh
source "$CORVEL_ROOT/scripts/setup.sh" || exit 1
# The tests click and take screenshots: never on the user's own display.
corvel_private_desktop || exit 1
python3 "$CORVEL_ROOT/bench/bench.py" "$@" </dev/null | tee "$CORVEL_BUILD/bench-results.md"
exit "${PIPESTATUS[0]}"
