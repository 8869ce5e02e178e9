#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest.
#   scripts/test.sh              normal build in build/
#   scripts/test.sh --sanitize   AddressSanitizer + UBSan build in build-sanitize/
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
options=(-DVIDFOLIO_BUILD_TESTS=ON)
if [ "${1:-}" = "--sanitize" ]; then
    build=build-sanitize
    options+=(-DVIDFOLIO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
fi

scripts/deps.sh
cmake -S . -B "$build" -G Ninja "${options[@]}"
cmake --build "$build" -j2
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" -j2 --output-on-failure
