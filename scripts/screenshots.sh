#!/usr/bin/env bash
# Pictures of the utility as a technician sees it, for the README and for review: the main
# window in each input type, the three choosers, the failure messages, and the printed page.
#   bash scripts/screenshots.sh [output-dir]        (default docs/screenshots)
# Builds the picture taker in build/ (MORVANE_BUILD_DIR names another build directory) and
# runs it on a virtual display. Needs xvfb-run and pdftoppm (scripts/install-deps.sh installs
# them).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(realpath -m "${1:-$root/docs/screenshots}")"
build="${MORVANE_BUILD_DIR:-$root/build}"

for tool in xvfb-run pdftoppm; do
    command -v "$tool" >/dev/null || {
        echo "screenshots.sh: $tool is missing; run scripts/install-deps.sh" >&2
        exit 1
    }
done
[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" --target morvane-screenshots morvane-config -j2

# A fresh directory, so that no picture of an earlier run survives unnoticed.
rm -f "$out"/*.png
# Its own settings, so that the recent files it shows are the ones it saved, not the user's.
# Wide enough for the line traffic window beside the main window; each picture is cut to the
# windows it shows.
settings=$(mktemp -d)
trap 'rm -rf "$settings"' EXIT
XDG_CONFIG_HOME="$settings" QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 xvfb-run -a -s "-screen 0 1600x1000x24 -dpi 96" \
    "$build/tools/screenshots/morvane-screenshots" "$out"
# The page "report" makes of a 0-20mA configuration, as a picture at 70 dots per inch.
cat >"$settings/site.morvane" <<'JSON'
{"format": "morvane-config", "version": 1, "digits": 5,
 "registers": {"3": 2, "4": 2, "5": 0, "6": 100, "7": 500, "8": 20, "9": 1, "10": 3, "11": 0}}
JSON
LC_ALL=C.UTF-8 "$build/src/app/morvane-config" report "$settings/site.morvane" -o "$settings/page.pdf"
pdftoppm -png -r 70 -singlefile "$settings/page.pdf" "$out/report-page"
echo "Saved $(ls "$out"/*.png | wc -l) pictures in $out"
