#!/usr/bin/env bash
# Installs what is missing, builds, starts the demo site on a free port in
# the background, and starts the program built to talk to that demo site.
# Closing the program stops the demo site.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh xdg-utils
source scripts/demo.sh
trap 'kill $DEMO_PID 2>/dev/null' EXIT
echo "Demo site at http://$DEMO_HOST; try the users demo57, demo1234, novideos."
build-demo/vidfolio
