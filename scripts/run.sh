#!/usr/bin/env bash
# Builds varnel.exe and starts it under Wine. Without a display it runs under
# Xvfb, saves a screenshot to build/screenshots/varnel.png and closes it.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
cd "$VARNEL_ROOT"

cmake --preset windows >/dev/null
cmake --build --preset windows --target varnel
exe="build/windows/src/app/varnel.exe"
varnel_prepare_wine

if [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1; then
  exec "$VARNEL_WINE" "$exe"
fi

varnel_start_display
trap varnel_stop_display EXIT
"$VARNEL_WINE" "$exe" &
app=$!
# Wait for the window to be mapped, then give it a moment to paint.
for _ in $(seq 1 100); do
  if xdotool search --name '^Varnel' >/dev/null 2>&1; then break; fi
  sleep 0.2
done
sleep "${VARNEL_SCREENSHOT_DELAY:-2}"
mkdir -p build/screenshots
import -window root build/screenshots/varnel.png
echo "screenshot: build/screenshots/varnel.png"
kill "$app" 2>/dev/null || true
"${VARNEL_WINE%/*}/wineserver" -k 2>/dev/null || true
wait "$app" 2>/dev/null || true
