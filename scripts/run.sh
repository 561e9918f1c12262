#!/usr/bin/env bash
# Installs what is missing (as root), builds into build/ and runs Corvel in a Wine desktop with
# task bar and tray.
#   With $DISPLAY: the desktop opens there and Corvel runs until you choose Exit in its tray
#   menu (right click on its tray icon at the bottom right).
#   Without $DISPLAY (or with CORVEL_PRIVATE_DISPLAY=1): a private Xvfb; Corvel runs beside a
#   sample window and screenshots are saved into out/screenshots/.
# It runs the build this machine can run: i686 where 32-bit code runs, else x86_64 (CORVEL_ARCH=x86_64
# takes the 64-bit one anywhere). Every process the script started is ended when it leaves.
CORVEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export CORVEL_ROOT

# shellcheck source=scripts/setup.sh
source "$CORVEL_ROOT/scripts/setup.sh" || exit 1
corvel_install_packages || exit 1
corvel_build || exit 1
echo "[corvel] running the $CORVEL_ARCH build ($CORVEL_BUILD)" >&2

interactive=
if [ -n "${DISPLAY:-}" ] && [ -z "${CORVEL_PRIVATE_DISPLAY:-}" ]; then
  interactive=1
else
  export CORVEL_PRIVATE_DISPLAY=1
fi
# shellcheck source=scripts/wine-env.sh
source "$CORVEL_ROOT/scripts/wine-env.sh"
trap corvel_wine_down EXIT
trap 'exit 130' INT TERM HUP
corvel_wine_up || exit 1

if [ -n "$interactive" ]; then
  echo "[corvel] Corvel runs in the Wine desktop on $DISPLAY." >&2
  echo "[corvel] Right click its tray icon (bottom right) and choose Exit to end." >&2
  "$CORVEL_WINE" "$CORVEL_BUILD/bin/corvel.exe" </dev/null
  exit $?
fi

export CORVEL_E2E_SESSION=1
python3 "$CORVEL_ROOT/scripts/screenshots.py" "$CORVEL_ROOT/out/screenshots"
