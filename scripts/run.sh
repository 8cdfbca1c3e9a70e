#!/usr/bin/env bash
# Builds varnel.exe and starts it under Wine scanning FOLDER, by default a
# folder of a few thousand files generated once in build/sample-folder.
# Without a display it runs under Xvfb, saves a screenshot of the result to
# build/screenshots/varnel.png and closes it.
# usage: scripts/run.sh [FOLDER]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
cd "$VARNEL_ROOT"

cmake --preset windows >/dev/null
cmake --build --preset windows --target varnel
exe="build/windows/src/app/varnel.exe"
varnel_prepare_wine

folder="${1:-}"
if [[ -z "$folder" ]]; then
  folder="build/sample-folder"
  if [[ ! -d "$folder" ]]; then
    python3 bench/make_folder_tree.py "$folder.part" 3000 >/dev/null
    mv "$folder.part" "$folder"
  fi
fi
# Wine shows the Linux file system as drive Z:.
folder="Z:$(realpath "$folder" | tr / '\\')"

if [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1; then
  exec "$VARNEL_WINE" "$exe" "$folder"
fi

varnel_start_display
trap varnel_stop_display EXIT
"$VARNEL_WINE" "$exe" "$folder" &
app=$!
# Wait for the window to be mapped, then give it a moment to paint.
for _ in $(seq 1 100); do
  if xdotool search --name '^Varnel' >/dev/null 2>&1; then break; fi
  sleep 0.2
done
# Time for the scan of the folder to finish and paint.
sleep "${VARNEL_SCREENSHOT_DELAY:-5}"
mkdir -p build/screenshots
import -window root build/screenshots/varnel.png
echo "screenshot: build/screenshots/varnel.png"
kill "$app" 2>/dev/null || true
"${VARNEL_WINE%/*}/wineserver" -k 2>/dev/null || true
wait "$app" 2>/dev/null || true
