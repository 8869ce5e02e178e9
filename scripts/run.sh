#!/usr/bin/env bash
# Installs what is missing, builds, starts the demo site on a free port in
# the background, and starts the program built to talk to that demo site.
# Closing the program stops the demo site.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake -S . -B build -G Ninja -DVIDFOLIO_BUILD_TESTS=OFF
cmake --build build -j2 --target vidfolio-demo-site

hostfile=$(mktemp)
build/tools/demosite/vidfolio-demo-site --port-file "$hostfile" >/dev/null &
demo=$!
trap 'kill $demo 2>/dev/null; rm -f "$hostfile"' EXIT
for _ in $(seq 100); do [ -s "$hostfile" ] && break; sleep 0.1; done
host=$(cat "$hostfile")
echo "Demo site at http://$host; try the users demo57, demo1234, novideos."

# A build of its own, so that build/ keeps the real site host.
cmake -S . -B build-demo -G Ninja -DVIDFOLIO_BUILD_TESTS=OFF -DVIDFOLIO_SITE_HOST="$host" >/dev/null
cmake --build build-demo -j2 --target vidfolio
build-demo/vidfolio
