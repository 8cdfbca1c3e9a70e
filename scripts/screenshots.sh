#!/usr/bin/env bash
# Screenshots of the real main window after a scan of a prepared folder, in a
# light and a dark theme, at 96 and 144 DPI, under Xvfb:
# build/screenshots/varnel-<theme>-<dpi>.png; and of the start-up prompt in
# Russian at both DPIs: build/screenshots/varnel-prompt-ru-<dpi>.png
# With --size-views, instead: one result at 96 DPI shown by length and then
# by size on disk: build/screenshots/size-view-logical.png and size-on-disk.png
# With --treemap: the treemap and file types panes with the largest type
# selected, in a light and a dark theme at 96 DPI:
# build/screenshots/treemap-<light|dark>.png
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
cd "$VARNEL_ROOT"

cmake --preset windows >/dev/null
cmake --build --preset windows --target varnel varnel_end_to_end_tests
tests_exe="$VARNEL_ROOT/build/windows/tests/e2e/varnel_end_to_end_tests.exe"
out="$VARNEL_ROOT/build/screenshots"
mkdir -p "$out"

varnel_start_display
trap varnel_stop_display EXIT

# Waits for the pose to write $2 into $1, then shoots it as $3 and writes $4.
shoot_when() {
  for _ in $(seq 1 600); do
    [[ -e $1/$2 ]] && break
    sleep 0.1
  done
  sleep 1
  import -window root "$out/$3"
  echo "screenshot: $out/$3"
  touch "$1/$4"
}

if [[ ${1:-} == --size-views ]]; then
  varnel_prepare_wine
  handshake="$(mktemp -d)"
  VARNEL_SCREENSHOT_DIR="$("$VARNEL_WINE" winepath -w "$handshake" 2>/dev/null)" \
  VARNEL_SCREENSHOT_THEME=Light VARNEL_SCREENSHOT_SIZE_VIEWS=1 \
    "$VARNEL_WINE" "$tests_exe" --gtest_also_run_disabled_tests \
      --gtest_filter='*PoseForScreenshots' >/dev/null 2>&1 &
  poser=$!
  shoot_when "$handshake" ready size-view-logical.png done
  shoot_when "$handshake" ready2 size-on-disk.png done2
  wait "$poser" || true
  rm -rf "$handshake"
  exit 0
fi

if [[ ${1:-} == --treemap ]]; then
  varnel_prepare_wine
  for theme in Light Dark; do
    handshake="$(mktemp -d)"
    VARNEL_SCREENSHOT_DIR="$("$VARNEL_WINE" winepath -w "$handshake" 2>/dev/null)" \
    VARNEL_SCREENSHOT_THEME="$theme" VARNEL_SCREENSHOT_TREEMAP=1 \
      "$VARNEL_WINE" "$tests_exe" --gtest_also_run_disabled_tests \
        --gtest_filter='*PoseForScreenshots' >/dev/null 2>&1 &
    poser=$!
    shoot_when "$handshake" ready "treemap-${theme,,}.png" done
    wait "$poser" || true
    rm -rf "$handshake"
  done
  exit 0
fi

for dpi in 96 144; do
  # Each DPI gets a prefix of its own: the setting is per user, for all programs.
  export WINEPREFIX="$VARNEL_ROOT/build/wineprefix-dpi$dpi"
  varnel_prepare_wine
  "$VARNEL_WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  "${VARNEL_WINE%/*}/wineserver" -w 2>/dev/null || true
  for theme in Light Dark prompt-ru; do
    handshake="$(mktemp -d)"
    pose='*PoseForScreenshots'
    [[ $theme == prompt-ru ]] && pose='*PosePromptForScreenshots'
    VARNEL_SCREENSHOT_DIR="$("$VARNEL_WINE" winepath -w "$handshake" 2>/dev/null)" \
    VARNEL_SCREENSHOT_THEME="$theme" \
      "$VARNEL_WINE" "$tests_exe" --gtest_also_run_disabled_tests \
        --gtest_filter="$pose" >/dev/null 2>&1 &
    poser=$!
    for _ in $(seq 1 600); do
      [[ -e $handshake/ready ]] && break
      sleep 0.1
    done
    sleep 1
    import -window root "$out/varnel-${theme,,}-$dpi.png"
    echo "screenshot: $out/varnel-${theme,,}-$dpi.png"
    touch "$handshake/done"
    wait "$poser" || true
    rm -rf "$handshake"
  done
done
