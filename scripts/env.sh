# Shared by the scripts: where Wine keeps its prefix and how it is quieted.
# Sourced, not run.

VARNEL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export VARNEL_ROOT
# A prefix of our own, so a first run never depends on the user's home.
export WINEPREFIX="${VARNEL_WINEPREFIX:-$VARNEL_ROOT/build/wineprefix}"
export WINEDEBUG=-all
export WINEARCH=win64
VARNEL_WINE=/usr/lib/wine/wine64
if ! [[ -x $VARNEL_WINE ]]; then VARNEL_WINE="$(command -v wine64 || command -v wine || true)"; fi
export VARNEL_WINE

varnel_prepare_wine() {
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    echo "wine: creating prefix in $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    "$VARNEL_WINE" wineboot -i >/dev/null 2>&1 || true
    "${VARNEL_WINE%/*}/wineserver" -w 2>/dev/null || wineserver -w 2>/dev/null || true
  fi
}

# Starts Xvfb on a free display unless one is already usable; sets DISPLAY
# and VARNEL_XVFB_PID. varnel_stop_display undoes it.
varnel_start_display() {
  VARNEL_XVFB_PID=""
  if [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local display
  for display in $(seq 90 120); do
    if [[ ! -e /tmp/.X11-unix/X$display && ! -e /tmp/.X$display-lock ]]; then break; fi
  done
  Xvfb ":$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
  VARNEL_XVFB_PID=$!
  export DISPLAY=":$display"
  for _ in $(seq 1 50); do
    if [[ -e /tmp/.X11-unix/X$display ]]; then return 0; fi
    sleep 0.1
  done
  echo "Xvfb did not start" >&2
  return 1
}

varnel_stop_display() {
  if [[ -n "${VARNEL_XVFB_PID:-}" ]]; then
    kill "$VARNEL_XVFB_PID" 2>/dev/null || true
    wait "$VARNEL_XVFB_PID" 2>/dev/null || true
  fi
}
