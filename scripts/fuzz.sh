#!/usr/bin/env bash
# Runs one fuzz target for a long time (default 600 s), building the
# sanitizer build in build-sanitize/ first when needed.
#   scripts/fuzz.sh listing|lookup|history [SECONDS]
# The working corpus grows in $VIDFOLIO_FUZZ_DIR/TARGET/corpus (default
# ~/vidfolio-fuzz), outside the source tree, and is kept for the next run;
# inputs that crash land in .../TARGET/crashes and the run goes on. Copy a
# crashing input into fuzz/regressions/TARGET/ to keep it as a test.
set -euo pipefail
cd "$(dirname "$0")/.."

target=${1:-}
seconds=${2:-600}
case "$target" in
listing | lookup | history) ;;
*)
    echo "usage: scripts/fuzz.sh listing|lookup|history [SECONDS]" >&2
    exit 2
    ;;
esac

scripts/deps.sh
source scripts/sanitize.sh >/dev/null
cmake --build "$SANITIZE_BUILD" -j2 --target "vidfolio-fuzz-$target" vidfolio-fuzz-corpus

work=${VIDFOLIO_FUZZ_DIR:-$HOME/vidfolio-fuzz}/$target
mkdir -p "$work/corpus" "$work/crashes"
echo "Fuzzing $target for $seconds s; corpus $work/corpus, crashes $work/crashes"
# One worker in a forked process, so that a crash is kept and the run goes
# on; the seeds are read alongside the corpus but never written.
set +e
"$SANITIZE_BUILD/fuzz/vidfolio-fuzz-$target" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 \
    -ignore_ooms=1 -timeout=10 -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$work/crashes/" "$work/corpus" "$SANITIZE_BUILD/fuzz/seeds/$target"
status=$?
set -e
crashes=$(find "$work/crashes" -type f | wc -l)
echo "Crash files in $work/crashes: $crashes"
if [ "$status" -eq 0 ] && [ "$crashes" -gt 0 ]; then
    status=1
fi
exit "$status"
