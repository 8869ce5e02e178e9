#!/usr/bin/env bash
# Runs clang-tidy with the checks in .clang-tidy over the program's own
# sources (src/), two files at a time, on the compile commands of the normal
# build in build/ (configured here when it is not yet). Fails on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh clang-tidy
if [ ! -f build/compile_commands.json ]; then
    cmake -S . -B build -G Ninja -DBUILD_TESTING=ON -DVIDFOLIO_WERROR=ON
fi
# The moc and resource files the build generates are compiled too; the
# sources must exist before clang-tidy reads them.
cmake --build build -j2
mapfile -t files < <(git ls-files 'src/*.cpp')
# clang-tidy exits non-zero on a finding, as .clang-tidy makes every one an
# error, and xargs passes that on.
if ! printf '%s\n' "${files[@]}" | xargs -P2 -n4 clang-tidy -p build --quiet >build/tidy.log 2>&1; then
    grep -v 'warnings generated\.$' build/tidy.log
    echo "clang-tidy: findings in src/ (build/tidy.log)."
    exit 1
fi
echo "clang-tidy: ${#files[@]} files clean."
