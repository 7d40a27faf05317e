#!/usr/bin/env bash
# Starts the utility on a virtual screen and saves a picture of that screen.
#   bash scripts/screenshot.sh [output.png]      (default docs/screenshot.png)
# The program is build/src/app/morvane-config unless MORVANE_CONFIG_BIN names another.
# Needs xvfb-run, xwininfo and ImageMagick's import (scripts/install-deps.sh installs them).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/docs/screenshot.png}"
bin="${MORVANE_CONFIG_BIN:-$root/build/src/app/morvane-config}"
# The window is 370 x 408 logical pixels with its menu bar; without a window manager it sits at the top left,
# so a screen of that size shows the window and nothing else.
screen="${MORVANE_SCREEN:-370x408x24}"

for tool in xvfb-run xwininfo import; do
    command -v "$tool" >/dev/null || { echo "screenshot.sh: $tool is missing; run scripts/install-deps.sh" >&2; exit 1; }
done
[ -x "$bin" ] || { echo "screenshot.sh: $bin is not built; build it first (cmake --build build)" >&2; exit 1; }
mkdir -p "$(dirname "$out")"

capture() {
    local bin="$1" out="$2"
    QT_QPA_PLATFORM=xcb "$bin" &
    app=$!
    trap 'kill "$app" 2>/dev/null || true; wait "$app" 2>/dev/null || true' EXIT
    for _ in $(seq 100); do
        xwininfo -root -tree 2>/dev/null | grep -q '"Morvane Config"' && break
        kill -0 "$app" 2>/dev/null || { echo "screenshot.sh: the utility ended early" >&2; exit 1; }
        sleep 0.1
    done
    sleep 1 # let the first paint finish
    import -window root "$out"
}
if [ "${MORVANE_SCREENSHOT_INSIDE:-}" = 1 ]; then
    capture "$bin" "$out"
    exit 0
fi
# Runs this script again on the virtual screen (xvfb-run's shell drops exported functions).
MORVANE_SCREENSHOT_INSIDE=1 MORVANE_CONFIG_BIN="$bin" \
    xvfb-run -a -s "-screen 0 $screen -dpi 96" bash "$0" "$out"
echo "Saved $out"
