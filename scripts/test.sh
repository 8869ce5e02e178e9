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
# (tests/desktop), which drives the real program through the window system.
scripts/deps.sh weston qt6-wayland libweston-10-dev xvfb openbox xdotool wmctrl x11-utils x11-apps
if [ "${1:-}" = "--sanitize" ]; then
    source scripts/sanitize.sh
    build=$SANITIZE_BUILD
else
    build=build
    cmake -S . -B "$build" -G Ninja -DBUILD_TESTING=ON -DVIDFOLIO_WERROR=ON
fi
cmake --build "$build" -j2
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" -j2 --output-on-failure
