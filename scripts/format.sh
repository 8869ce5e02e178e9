#!/usr/bin/env bash
# Formats every C and C++ file the repository tracks with its .clang-format.
#   scripts/format.sh          rewrites the files in place
#   scripts/format.sh --check  changes nothing and fails on the first file
#                              whose layout differs, naming the lines
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh clang-format
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
    clang-format --dry-run -Werror "${files[@]}"
    echo "clang-format: ${#files[@]} files as formatted."
else
    clang-format -i "${files[@]}"
fi
