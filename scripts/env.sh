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
  varnel_link_cjk_font
  # The dialog tests start a child at 144 DPI through this value and put it
  # back afterwards; a run killed in between would leave every later window
  # test at 144.
  if awk '/^\[/ { desktop = index($0, "[Control Panel\\\\Desktop]") == 1 }
           desktop && /^"LogPixels"=dword:00000090/ { found = 1 } END { exit !found }' \
         "$WINEPREFIX/user.reg" 2>/dev/null; then
    "$VARNEL_WINE" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 || true
    "${VARNEL_WINE%/*}/wineserver" -w 2>/dev/null || wineserver -w 2>/dev/null || true
  fi
}

# Wine's own interface fonts hold no Japanese, Chinese or Korean glyphs, so
# those texts would be measured (and shot) as boxes of the wrong width. The
# Debian CJK font that scripts/setup.sh installs is linked behind every face
# the window and the dialogs use, and stands in for the faces Windows itself
# would use for those languages. Done once per prefix.
VARNEL_CJK_FONT_FILE=wqy-microhei.ttc
VARNEL_CJK_FONT_FACE="WenQuanYi Micro Hei"
varnel_link_cjk_font() {
  if grep -q "$VARNEL_CJK_FONT_FILE" "$WINEPREFIX/system.reg" 2>/dev/null; then return 0; fi
  if ! fc-list 2>/dev/null | grep -q "$VARNEL_CJK_FONT_FILE"; then
    echo "wine: $VARNEL_CJK_FONT_FILE missing (scripts/setup.sh installs it); CJK texts stay unmeasured" >&2
    return 0
  fi
  local link='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
  local face
  for face in Tahoma "Segoe UI" "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" Arial; do
    "$VARNEL_WINE" reg add "$link" /v "$face" /t REG_MULTI_SZ /d "$VARNEL_CJK_FONT_FILE,$VARNEL_CJK_FONT_FACE" /f \
      >/dev/null 2>&1 || true
  done
  local replacements='HKCU\Software\Wine\Fonts\Replacements'
  for face in "Yu Gothic UI" Meiryo "MS UI Gothic" "Microsoft YaHei UI" "Microsoft JhengHei UI" "Malgun Gothic" \
              SimSun PMingLiU Gulim; do
    "$VARNEL_WINE" reg add "$replacements" /v "$face" /t REG_SZ /d "$VARNEL_CJK_FONT_FACE" /f >/dev/null 2>&1 || true
  done
  "${VARNEL_WINE%/*}/wineserver" -w 2>/dev/null || wineserver -w 2>/dev/null || true
}

# Holds one Wine session from here to varnel_release_wine_session, so each
# test program starts in a fraction of a second instead of booting Wine. The
# session's services and its desktop process are started here with their
# output going nowhere: otherwise the first test to start them would lend
# them its output pipe, and the test runner would wait on that test until
# every program of the session had ended. Wine closes the desktop process
# whenever no program uses it, so a console program waiting on an empty pipe
# stays for the whole session. Needs DISPLAY (varnel_start_display).
varnel_wineserver() { "${VARNEL_WINE%/*}/wineserver" "$@" 2>/dev/null || wineserver "$@" 2>/dev/null || true; }
varnel_hold_wine_session() {
  varnel_wineserver -p </dev/null >/dev/null
  "$VARNEL_WINE" wineboot </dev/null >/dev/null 2>&1 || true
  VARNEL_WINE_HOLD_FIFO="$(mktemp -u)"
  mkfifo "$VARNEL_WINE_HOLD_FIFO"
  sleep infinity >"$VARNEL_WINE_HOLD_FIFO" &
  VARNEL_WINE_HOLD_PID=$!
  "$VARNEL_WINE" cmd.exe <"$VARNEL_WINE_HOLD_FIFO" >/dev/null 2>&1 &
  "$VARNEL_WINE" rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1 || true
}
varnel_release_wine_session() {
  if [[ -n "${VARNEL_WINE_HOLD_PID:-}" ]]; then kill "$VARNEL_WINE_HOLD_PID" 2>/dev/null || true; fi
  varnel_wineserver -k
  if [[ -n "${VARNEL_WINE_HOLD_FIFO:-}" ]]; then rm -f "$VARNEL_WINE_HOLD_FIFO"; fi
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
