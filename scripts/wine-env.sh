# Sourced by the run, test and benchmark scripts: one Wine prefix and one virtual desktop with
# Wine's task bar and tray, on $DISPLAY or on a private Xvfb, for the build of $CORVEL_ARCH
# (scripts/arch.sh): a win32 prefix for i686, a win64 one for x86_64. Every Wine call goes
# through $CORVEL_WINE, so a 32-bit loader that is installed but cannot run is never picked.
#
#   corvel_wine_up      start the display, the prefix, the wine server and the desktop
#   corvel_wine_down    end every process this shell started
#   corvel_set_version  NAME  (win98, nt40, win2k, winxp, win7) for corvel.exe
CORVEL_ROOT=${CORVEL_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
# shellcheck source=scripts/arch.sh
source "$CORVEL_ROOT/scripts/arch.sh" || return 1
export WINEPREFIX=${CORVEL_WINEPREFIX:-$CORVEL_BUILD/wineprefix}
export WINEARCH=$CORVEL_WINEARCH
export WINELOADER=$CORVEL_WINE
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d"}
CORVEL_DESKTOP=${CORVEL_DESKTOP:-corvel}
CORVEL_SCREEN=${CORVEL_SCREEN:-1024x768}
CORVEL_PIDS=()

corvel_log() { echo "[corvel] $*" >&2; }

corvel_start_display() {
  if [ -n "${DISPLAY:-}" ] && [ -z "${CORVEL_PRIVATE_DISPLAY:-}" ]; then
    CORVEL_OWN_DISPLAY=
    return 0
  fi
  local n
  for n in $(seq 91 140); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
    Xvfb :$n -screen 0 ${CORVEL_SCREEN}x24 -nolisten tcp >/dev/null 2>&1 &
    CORVEL_PIDS+=($!)
    export DISPLAY=:$n
    CORVEL_OWN_DISPLAY=1
    local i
    for i in $(seq 1 50); do [ -e /tmp/.X11-unix/X$n ] && return 0; sleep 0.1; done
  done
  corvel_log "could not start Xvfb"; return 1
}

corvel_registry() {
  cat > "$WINEPREFIX/corvel-desktop.reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="$CORVEL_DESKTOP"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"$CORVEL_DESKTOP"="$CORVEL_SCREEN"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops\\$CORVEL_DESKTOP]
"EnableShell"=dword:00000001

[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]
"Decorated"="N"
"Managed"="N"

[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\\Control Panel\\Desktop]
"FontSmoothing"="0"
REG
  "$CORVEL_WINE" regedit /S "$("$CORVEL_WINE" winepath -w "$WINEPREFIX/corvel-desktop.reg" 2>/dev/null)" >/dev/null 2>&1
}

corvel_ensure_prefix() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  if [ ! -f "$WINEPREFIX/.corvel-ready" ]; then
    corvel_log "creating the Wine prefix $WINEPREFIX"
    "$CORVEL_WINE" wineboot -i >/dev/null 2>&1
    wineserver -w
    corvel_registry
    wineserver -w
    # Wine's own fonts (Marlett draws the title-bar buttons) where every program finds them.
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
    touch "$WINEPREFIX/.corvel-ready"
  fi
}

# Sets the Windows version that corvel.exe (and the given other programs) see.
corvel_set_version() {
  local version=$1; shift
  local exe
  for exe in corvel.exe corvel_tests.exe "$@"; do
    if [ "$version" = default ]; then
      "$CORVEL_WINE" reg delete "HKCU\\Software\\Wine\\AppDefaults\\$exe" /v Version /f >/dev/null 2>&1
    else
      "$CORVEL_WINE" reg add "HKCU\\Software\\Wine\\AppDefaults\\$exe" /v Version /d "$version" /f >/dev/null 2>&1
    fi
  done
}

corvel_wine_up() {
  corvel_start_display || return 1
  corvel_ensure_prefix
  corvel_desktop_up 20 || corvel_desktop_restart || { corvel_log "the Wine desktop does not come up"; return 1; }
}

# Keeps the server alive between programs, and the desktop with a holder window. Fails when
# the desktop is not there within about SECONDS (default 10).
corvel_desktop_up() {
  local seconds=${1:-10}
  wineserver -p >/dev/null 2>&1
  "$CORVEL_WINE" "$CORVEL_BUILD/bin/targets.exe" --hold >/dev/null 2>&1 &
  CORVEL_PIDS+=($!)
  local i
  for i in $(seq 1 $((seconds * 10))); do
    if xdotool search --name "Wine desktop" >/dev/null 2>&1 || xdotool search --classname explorer.exe >/dev/null 2>&1; then
      sleep 0.5
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# Wine loaders of this prefix that outlived their server wait on it for ever, and a server
# started while they live may never bring its desktop up.
corvel_end_strays() {
  local p
  for p in /proc/[0-9]*; do
    case "$(readlink "$p/exe" 2>/dev/null)" in
      */wine | */wine64 | */wine-preloader | */wine64-preloader | */wineserver | */wineserver64) ;;
      *) continue ;;
    esac
    tr '\0' '\n' <"$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && kill -9 "${p#/proc/}" 2>/dev/null
  done
  return 0
}

corvel_server_down() {
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  corvel_end_strays
  # The old desktop's X window must be gone, or the wait for the new one ends at once.
  local i
  for i in $(seq 1 50); do
    xdotool search --name "Wine desktop" >/dev/null 2>&1 || xdotool search --classname explorer.exe >/dev/null 2>&1 || break
    sleep 0.1
  done
}

# A new wine server, desktop, task bar and tray on the same display and prefix, so that one
# test cannot leave the shell in a state that another one inherits. A fresh server now and
# then starts no desktop at all: that one is ended and started again.
corvel_desktop_restart() {
  local try
  for try in 1 2 3; do
    corvel_server_down
    corvel_desktop_up 5 && return 0
    corvel_log "the Wine desktop did not come up (try $try)"
  done
  return 1
}

corvel_wine_down() {
  local p
  for p in "${CORVEL_PIDS[@]}"; do kill "$p" 2>/dev/null; done
  wineserver -k 2>/dev/null
  corvel_end_strays
  for p in "${CORVEL_PIDS[@]}"; do wait "$p" 2>/dev/null; done
  CORVEL_PIDS=()
}
