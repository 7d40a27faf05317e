#!/usr/bin/env bash
# Pictures of the utility as a technician sees it, for the README and for review: the main
# window in each input type, the three choosers, and the failure messages.
#   bash scripts/screenshots.sh [output-dir]        (default docs/screenshots)
# Builds the picture taker in build/ (MORVANE_BUILD_DIR names another build directory) and
# runs it on a virtual display. Needs xvfb-run (scripts/install-deps.sh installs it).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(realpath -m "${1:-$root/docs/screenshots}")"
build="${MORVANE_BUILD_DIR:-$root/build}"

command -v xvfb-run >/dev/null || {
    echo "screenshots.sh: xvfb-run is missing; run scripts/install-deps.sh" >&2
    exit 1
}
[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" --target morvane-screenshots -j2

# A fresh directory, so that no picture of an earlier run survives unnoticed.
rm -f "$out"/*.png
# Its own settings, so that the recent files it shows are the ones it saved, not the user's.
# Wide enough for the line traffic window beside the main window; each picture is cut to the
# windows it shows.
settings=$(mktemp -d)
trap 'rm -rf "$settings"' EXIT
XDG_CONFIG_HOME="$settings" QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 xvfb-run -a -s "-screen 0 1600x1000x24 -dpi 96" \
    "$build/tools/screenshots/morvane-screenshots" "$out"
echo "Saved $(ls "$out"/*.png | wc -l) pictures in $out"
