# Sourced by run.sh and screenshot.sh: builds the demo site and the program
# for it in build-demo/, so that build/ keeps the real site host, and starts
# the demo site in the background. The site takes the port the program was
# built for while that port is free, so that a warm start builds nothing;
# otherwise it takes a free one and the program is rebuilt for it. Sets
# DEMO_PID and DEMO_HOST.
# DEMO_SITE_ARGS, an array, holds further options for the demo site.

demo_build=build-demo
# The demo site comes with the tests and tools (BUILD_TESTING).
if ! grep -qs '^BUILD_TESTING:BOOL=ON$' "$demo_build/CMakeCache.txt"; then
    cmake -S . -B "$demo_build" -G Ninja -DBUILD_TESTING=ON >/dev/null
fi
cmake --build "$demo_build" -j2 --target vidfolio-demo-site
demo_port=$(sed -n 's/^VIDFOLIO_SITE_HOST:[A-Z]*=localhost:\([0-9]*\)$/\1/p' "$demo_build/CMakeCache.txt")

demo_hostfile=$(mktemp)
"$demo_build/tools/demosite/vidfolio-demo-site" --port "${demo_port:-0}" \
    --port-file "$demo_hostfile" ${DEMO_SITE_ARGS[@]+"${DEMO_SITE_ARGS[@]}"} >/dev/null &
DEMO_PID=$!
for _ in $(seq 500); do [ -s "$demo_hostfile" ] && break; sleep 0.01; done
DEMO_HOST=$(cat "$demo_hostfile")
rm -f "$demo_hostfile"
if [ -z "$DEMO_HOST" ]; then
    echo "The demo site did not start." >&2
    kill "$DEMO_PID" 2>/dev/null
    exit 1
fi

if [ "$DEMO_HOST" != "localhost:$demo_port" ]; then
    cmake -S . -B "$demo_build" -DVIDFOLIO_SITE_HOST="$DEMO_HOST" >/dev/null
fi
cmake --build "$demo_build" -j2 --target vidfolio
