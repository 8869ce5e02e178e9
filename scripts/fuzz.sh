#!/usr/bin/env bash
# Runs one fuzz target for a long time (default 600 s), building the
# sanitizer build in build-sanitize/ first when needed.
#   scripts/fuzz.sh listing|lookup|history [SECONDS]
# The working corpus grows in $VIDFOLIO_FUZZ_DIR/TARGET/corpus (default
# ~/vidfolio-fuzz), outside the source tree, and is kept for the next run;
# inputs that crash land in .../TARGET/crashes and the run goes on. At the
# end the run's crashes are listed by kind; exits non-zero when there were
# any. Copy a crashing input into fuzz/regressions/TARGET/ to keep it as a
# test.
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

scripts/deps.sh --sanitizer
source scripts/sanitize.sh >/dev/null
cmake --build "$SANITIZE_BUILD" -j2 --target "vidfolio-fuzz-$target" vidfolio-fuzz-corpus

work=${VIDFOLIO_FUZZ_DIR:-$HOME/vidfolio-fuzz}/$target
fuzzer=$SANITIZE_BUILD/fuzz/vidfolio-fuzz-$target
mkdir -p "$work/corpus" "$work/crashes"
started=$(mktemp)
trap 'rm -f "$started"' EXIT
echo "Fuzzing $target for $seconds s; corpus $work/corpus, crashes $work/crashes"
# One worker in a forked process, so that a crash is kept and the run goes
# on; the seeds are read alongside the corpus but never written.
set +e
"$fuzzer" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 -timeout=10 \
    -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$work/crashes/" \
    "$work/corpus" "$SANITIZE_BUILD/fuzz/seeds/$target"
status=$?
set -e

# A shallow fault crashes most jobs: sort this run's crash files by the
# first report each gives, with one file to look at per kind.
mapfile -t found < <(find "$work/crashes" -type f -newer "$started")
echo "This run kept ${#found[@]} crash files in $work/crashes"
for file in "${found[@]}"; do
    report=$("$fuzzer" "$file" 2>&1 |
        grep -m1 -E 'invariant failed|ERROR: [A-Za-z]+Sanitizer|runtime error|ERROR: libFuzzer' || true)
    printf '%s\t%s\n' "${report:-no crash when run again}" "$file"
done | sort | awk -F'\t' '{ n[$1]++; if (!($1 in f)) f[$1] = $2 }
    END { for (r in n) printf "%6d  %s\n        e.g. %s\n", n[r], r, f[r] }'
if [ "$status" -eq 0 ] && [ ${#found[@]} -gt 0 ]; then
    status=1
fi
exit "$status"
