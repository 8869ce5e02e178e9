#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest.
#   scripts/test.sh              normal build in build/
#   scripts/test.sh --sanitize   clang build with AddressSanitizer, UBSan and
#                                the fuzz targets in build-sanitize/: the same
#                                tests plus a short run of each fuzz target
# Both build with warnings as errors (VIDFOLIO_WERROR). Each build folder has
# one configuration of its own (build-demo/ for the demo, build-release/ for
# the benchmark, build-package/ for the package), so that running one script
# after another rebuilds nothing the other built.
set -euo pipefail
cd "$(dirname "$0")/.."

# weston, Qt's Wayland platform and libweston for the Wayland tests; a
# virtual X server, a window manager and the X tools for the desktop suite
# (tests/desktop), which drives the real program through the window system;
# clang and its runtimes for the sanitizer build.
deps=(--wayland xvfb openbox xdotool wmctrl x11-utils x11-apps)
[ "${1:-}" = "--sanitize" ] && deps+=(--sanitizer)
scripts/deps.sh "${deps[@]}"
if [ "${1:-}" = "--sanitize" ]; then
    source scripts/sanitize.sh
    build=$SANITIZE_BUILD
else
    build=build
    cmake -S . -B "$build" -G Ninja -DBUILD_TESTING=ON -DVIDFOLIO_WERROR=ON
fi
# Every suite that can be left out needs packages installed above, so one
# left out is a failure of the set-up, not a smaller test run.
if [ -s "$build/suites-not-built.txt" ]; then
    echo "These suites were not built:" >&2
    sed 's/^/  /' "$build/suites-not-built.txt" >&2
    exit 1
fi
cmake --build "$build" -j2
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" -j2 --output-on-failure
