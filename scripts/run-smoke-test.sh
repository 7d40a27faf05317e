#!/usr/bin/env bash
# Checks the README's run command the way a technician would use it: under a virtual display,
# start it, click "Read From Controller", and see that the virtual controller on port 1 got
# the read request; then close the window and see that the virtual controller stopped.
set -euo pipefail
cd "$(dirname "$0")/.."

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export MORVANE_SIM_LOG="$work/sim.log"
# This run's own virtual controller: another one may be running for a technician meanwhile.
export MORVANE_SIM_PID_FILE="$work/sim.pid"

xvfb-run -a -s "-screen 0 800x600x24" bash -c '
    set -euo pipefail
    bash scripts/run.sh >"'"$work"'/run.log" 2>&1 &
    runner=$!
    window=""
    for _ in $(seq 600); do
        window=$(xdotool search --name "^Morvane Config$" 2>/dev/null | head -n 1 || true)
        [ -n "$window" ] && break
        sleep 0.5
    done
    [ -n "$window" ] || { echo "the window did not appear"; cat "'"$work"'/run.log"; exit 1; }
    sleep 1
    eval "$(xdotool getwindowgeometry --shell "$window")"
    # The centre of "Read From Controller": (120 + 3120 + 487, 2760 + 1680 + 247) twips in the
    # design area, which begins below the menu bar: the window is 391 pixels taller than it.
    menu=$((HEIGHT - 391))
    xdotool mousemove $((X + 248)) $((Y + menu + 312)) click 1
    for _ in $(seq 50); do
        grep -q "request fn=3 addr=2 count=9" "'"$work"'/sim.log" && break
        sleep 0.2
    done
    grep -q "request fn=3 addr=2 count=9" "'"$work"'/sim.log" ||
        { echo "the virtual controller saw no read request"; cat "'"$work"'/sim.log"; exit 1; }
    # Without a window manager nothing delivers a close request; cutting the program off the
    # display ends it the way a closed session would.
    xdotool windowkill "$window"
    wait "$runner" || true
'
sleep 1
[ -s "$MORVANE_SIM_PID_FILE" ] || { echo "the run command told no virtual controller" >&2; exit 1; }
# Ended counts as stopped even when nothing has reaped it yet (a zombie), and a process id the
# system has since given to another program is not the virtual controller.
if ps -o stat=,args= -p "$(cat "$MORVANE_SIM_PID_FILE")" |
    awk '$1 !~ /^Z/ && /morvane-sim/ { found = 1 } END { exit !found }'; then
    echo "the virtual controller was left running" >&2
    exit 1
fi
echo "run command: window opened, read request reached the virtual controller on port 1, all stopped"
