#!/usr/bin/env bash
# Runs a Windows program with wine in the test desktop: the one scripts/test.sh started
# (CORVEL_E2E_SESSION=1), or a private one for this run alone (ctest by hand).
#   in-desktop.sh PROGRAM.exe [ARGS...]
# CORVEL_VERSION (win98, nt40, win2k, winxp, win2003, win7, win10) makes Wine report that Windows version to the
# program for this run.
corvel_run_program() {
  local exe key rc=0
  exe=$(basename "$1")
  key="HKCU\\Software\\Wine\\AppDefaults\\$exe"
  if [ -n "${CORVEL_VERSION:-}" ]; then
    "$CORVEL_WINE" reg add "$key" /v Version /d "$CORVEL_VERSION" /f >/dev/null 2>&1
  fi
  "$CORVEL_WINE" "$@" || rc=$?
  if [ -n "${CORVEL_VERSION:-}" ]; then
    "$CORVEL_WINE" reg delete "$key" /v Version /f >/dev/null 2>&1
  fi
  return $rc
}
CORVEL_ROOT=${CORVEL_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
if [ "${CORVEL_E2E_SESSION:-}" = 1 ]; then
  # shellcheck source=scripts/arch.sh
  source "$CORVEL_ROOT/scripts/arch.sh" || exit 1
  corvel_run_program "$@"
  exit $?
fi
export CORVEL_PRIVATE_DISPLAY=1
# shellcheck source=scripts/wine-env.sh
source "$CORVEL_ROOT/scripts/wine-env.sh"
trap corvel_wine_down EXIT
trap 'exit 130' INT TERM HUP
corvel_wine_up || exit 1
corvel_run_program "$@"
