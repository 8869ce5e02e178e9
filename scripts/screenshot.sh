#!/usr/bin/env bash
# Starts the real program in a virtual X server against the demo site, lists
# a demo user, clicks its third video to show the thumbnails and saves a
# screenshot (default docs/screenshot.png).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshot.png}

scripts/deps.sh xvfb xdotool imagemagick x11-utils
source scripts/demo.sh
xvfb=""
trap 'kill $DEMO_PID $xvfb 2>/dev/null' EXIT

export DISPLAY=:97
Xvfb "$DISPLAY" -screen 0 360x380x24 -nolisten tcp &
xvfb=$!
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
folder=$(mktemp -d)
cp build-demo/vidfolio "$folder/"
"$folder/vidfolio" &
program=$!
trap 'kill $program 2>/dev/null; wait $program 2>/dev/null || true; kill $DEMO_PID $xvfb 2>/dev/null; rm -rf "$folder"' EXIT
window=$(xdotool search --sync --name '^Vidfolio - ' | head -n 1)
sleep 1
# The client area, 322 x 314 pixels, sits at the bottom of the window below
# the menu bar; positions below are from its top left corner.
eval "$(xdotool getwindowgeometry --shell "$window")"
top=$((HEIGHT - 314))
xdotool mousemove --window "$window" 180 $((top + 17)) click 1
xdotool type --delay 20 demo57
xdotool mousemove --window "$window" 284 $((top + 22)) click 1
sleep 2
# The third entry of the tree, whose top is 41 pixels down.
xdotool mousemove --window "$window" 60 $((top + 41 + 2 * 18 + 9)) click 1
sleep 1
mkdir -p "$(dirname "$out")"
import -window root -crop 322x$((HEIGHT))+0+0 "$out"
echo "Saved $out"
