#!/usr/bin/env bash
# Checks that the real program stays alive while the site keeps it waiting.
# In a virtual X server, against the demo site on loopback, it lists a user
# whose first page never comes, then:
#   - passes a window over the program's window and measures how long until
#     the program has painted over what that window left (at most 0.7 s);
#   - closes the window as a window manager does (WM_DELETE_WINDOW) and
#     measures how long until the process has ended (at most 2 s), then
#     checks that users.vidfolio holds the new name first and every older
#     name after it, and that no temp.txt is left.
# Prints the figures; exits with 1 when a check fails.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh xvfb xdotool imagemagick x11-utils python3 bc
DEMO_SITE_ARGS=(--stall-user slowpoke)
source scripts/demo.sh
xvfb=""
program=""
folder=$(mktemp -d)
cleanup() {
    local status=$?
    [ -z "$program" ] || kill "$program" 2>/dev/null || true
    kill "$DEMO_PID" ${xvfb:+"$xvfb"} 2>/dev/null || true
    rm -rf "$folder"
    exit $status
}
trap cleanup EXIT

export DISPLAY=:96
Xvfb "$DISPLAY" -screen 0 640x480x24 -nolisten tcp &
xvfb=$!
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

now() { date +%s.%N; }
since() { echo "$(now) - $1" | bc -l | xargs printf '%.2f'; }
# Sends WM_DELETE_WINDOW to a window, as a window manager does for its
# close box.
close_window() {
    python3 - "$1" <<'PY'
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                         ctypes.c_void_p]
x.XFlush.argtypes = [ctypes.c_void_p]
class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]
class Event(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]
display = x.XOpenDisplay(None)
window = int(sys.argv[1])
event = Event()
event.xclient.type = 33  # ClientMessage
event.xclient.window = window
event.xclient.message_type = x.XInternAtom(display, b"WM_PROTOCOLS", 0)
event.xclient.format = 32
event.xclient.data[0] = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
x.XSendEvent(display, window, 0, 0, ctypes.byref(event))
x.XFlush(display)
PY
}
# Pixels of the program's window that differ from the picture in $1.
differing() {
    import -window "$window" "$folder/now.png" 2>/dev/null
    compare -metric AE -fuzz 5% "$1" "$folder/now.png" null: 2>&1 || true
}
# Whether the number $1 (compare may print it as 1.2e+05) exceeds $2.
exceeds() { awk -v n="$1" -v m="$2" 'BEGIN { exit !(n + 0 > m) }'; }

cp build-demo/vidfolio "$folder/"
printf 'older1\r\nolder2\r\n' >"$folder/users.vidfolio"
"$folder/vidfolio" &
program=$!
window=$(xdotool search --sync --name '^Vidfolio - ' | head -n 1)
sleep 1
eval "$(xdotool getwindowgeometry --shell "$window")"
top=$((HEIGHT - 314))
# The box shows the newest name of the history: typed over.
xdotool mousemove --window "$window" 180 $((top + 17)) click 1
xdotool key ctrl+a
xdotool type --delay 20 slowpoke
xdotool mousemove --window "$window" 284 $((top + 22)) click 1
# The first page is now held by the site for as long as the program waits.
sleep 1.5
import -window "$window" "$folder/before.png"

xmessage -geometry "${WIDTH}x${HEIGHT}+${X}+${Y}" -bg red -fg red cover &
cover=$!
xdotool search --sync --name '^xmessage$' >/dev/null
sleep 0.3
exceeds "$(differing "$folder/before.png")" 1000 || { echo "The cover did not cover." >&2; exit 1; }
kill $cover
wait $cover 2>/dev/null || true
uncovered=$(now)
repainted=""
for _ in $(seq 60); do
    if ! exceeds "$(differing "$folder/before.png")" 50; then
        repainted=$(since "$uncovered")
        break
    fi
    sleep 0.02
done

closed=$(now)
close_window "$window"
ended=""
for _ in $(seq 250); do
    if ! kill -0 $program 2>/dev/null; then
        ended=$(since "$closed")
        break
    fi
    sleep 0.02
done
wait $program 2>/dev/null || true
program=""

history=$(tr -d '\r' <"$folder/users.vidfolio" | paste -sd, -)
echo "Repainted after a window passed over it: ${repainted:-never} s (at most 0.7 s)"
echo "Process ended after the close: ${ended:-not within 5} s (at most 2 s)"
echo "users.vidfolio: $history"
status=0
[ -n "$repainted" ] && [ "$(echo "$repainted <= 0.7" | bc)" = 1 ] || status=1
[ -n "$ended" ] && [ "$(echo "$ended <= 2" | bc)" = 1 ] || status=1
[ "$history" = "slowpoke,older1,older2" ] || status=1
if [ -e "$folder/temp.txt" ]; then echo "temp.txt was left behind"; status=1; fi
[ $status = 0 ] && echo "All checks passed." || echo "A check failed."
exit $status
