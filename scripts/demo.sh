# Sourced by run.sh and screenshot.sh: starts the demo site on a free port in
# the background and builds the program for it in build-demo/, so that build/
# keeps the real site host. Sets DEMO_PID and DEMO_HOST. DEMO_SITE_ARGS, an
# array, holds further options for the demo site.

cmake -S . -B build -G Ninja -DVIDFOLIO_BUILD_TESTS=OFF
cmake --build build -j2 --target vidfolio-demo-site

demo_hostfile=$(mktemp)
build/tools/demosite/vidfolio-demo-site --port-file "$demo_hostfile" \
    ${DEMO_SITE_ARGS[@]+"${DEMO_SITE_ARGS[@]}"} >/dev/null &
DEMO_PID=$!
for _ in $(seq 100); do [ -s "$demo_hostfile" ] && break; sleep 0.1; done
DEMO_HOST=$(cat "$demo_hostfile")
rm -f "$demo_hostfile"
if [ -z "$DEMO_HOST" ]; then
    echo "The demo site did not start." >&2
    kill "$DEMO_PID" 2>/dev/null
    exit 1
fi

cmake -S . -B build-demo -G Ninja -DVIDFOLIO_BUILD_TESTS=OFF -DVIDFOLIO_SITE_HOST="$DEMO_HOST" >/dev/null
cmake --build build-demo -j2 --target vidfolio
