#!/usr/bin/env bash
# Installs what is missing, builds in Release mode in build-release/, and runs
# the benchmark: it starts the demo site on loopback and prints one table.
#   scripts/bench.sh              five runs a case
#   scripts/bench.sh --runs N     N runs a case
# Exits with 1 when a target is missed.
set -euo pipefail
cd "$(dirname "$0")/.."

# curl is the listings' reference; the rows of the real X server run cases
# of the desktop suite, which need a virtual X server, a window manager and
# the X tools.
scripts/deps.sh curl xvfb openbox xdotool wmctrl x11-utils x11-apps
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON
cmake --build build-release -j2 --target vidfolio-bench
build-release/bench/vidfolio-bench "$@"
