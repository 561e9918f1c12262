#!/usr/bin/env bash
# Runs a Windows program with wine in the test desktop: the one scripts/test.sh started
# (CORVEL_E2E_SESSION=1), or a private one for this run alone (ctest by hand).
#   in-desktop.sh PROGRAM.exe [ARGS...]
if [ "${CORVEL_E2E_SESSION:-}" = 1 ]; then
  exec wine "$@"
fi
CORVEL_ROOT=${CORVEL_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export CORVEL_PRIVATE_DISPLAY=1
# shellcheck source=scripts/wine-env.sh
source "$CORVEL_ROOT/scripts/wine-env.sh"
trap corvel_wine_down EXIT
trap 'exit 130' INT TERM HUP
corvel_wine_up || exit 1
wine "$@"
