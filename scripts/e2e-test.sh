#!/usr/bin/env bash
# Runs one end-to-end test file. In the desktop of scripts/test.sh (CORVEL_E2E_SESSION=1) each
# file gets a fresh wine server and shell first; alone, the driver starts a desktop of its own.
#   e2e-test.sh tests/e2e/test_x.py [ARGS...]
CORVEL_ROOT=${CORVEL_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
if [ "${CORVEL_E2E_SESSION:-}" = 1 ]; then
  # shellcheck source=scripts/wine-env.sh
  source "$CORVEL_ROOT/scripts/wine-env.sh"
  corvel_desktop_restart || { echo "[corvel] no Wine desktop for $1" >&2; exit 1; }
fi
exec "${CORVEL_PYTHON:-python3}" "$@"
