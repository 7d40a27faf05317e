#!/usr/bin/env bash
# Installs what is missing, builds, and starts the utility with a virtual controller on
# port 1, so that "Read From Controller" works without hardware. The virtual controller
# stops when the window closes. Set MORVANE_NO_SIM=1 to talk to real hardware instead,
# MORVANE_SIM_LOG to a file to keep the virtual controller's record of the requests it saw, and
# MORVANE_SIM_PID_FILE to a file to learn the virtual controller's process id.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
# The default preset builds in build/, where the lines below find the programs.
cmake --preset default >/dev/null
cmake --build --preset default

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
    cat >&2 <<'MSG'
There is no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set).
Run it on a desktop session, or under a virtual display:
    xvfb-run -a -s "-screen 0 1280x1024x24" bash scripts/run.sh
MSG
    exit 1
fi

if [ -n "${MORVANE_NO_SIM:-}" ]; then
    exec build/src/app/morvane-config
fi

workdir=$(mktemp -d)
link="$workdir/morvane-com1"
simlog=${MORVANE_SIM_LOG:-$workdir/sim.log}
build/tools/morvane-sim/morvane-sim --link "$link" >"$simlog" 2>&1 &
sim=$!
if [ -n "${MORVANE_SIM_PID_FILE:-}" ]; then
    echo "$sim" >"$MORVANE_SIM_PID_FILE"
fi
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null; rm -rf "$workdir"' EXIT

for _ in $(seq 50); do
    [ -e "$link" ] && break
    sleep 0.1
done
[ -e "$link" ] || { echo "The virtual controller did not start:" >&2; cat "$simlog" >&2; exit 1; }

echo "Virtual controller on $(readlink "$link"); port 1 of the utility points at it."
MORVANE_COM1="$link" build/src/app/morvane-config
