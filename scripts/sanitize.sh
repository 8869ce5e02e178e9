# Sourced by test.sh --sanitize and fuzz.sh: configures the sanitizer build in
# build-sanitize/ with clang, AddressSanitizer, UndefinedBehaviorSanitizer and
# the libFuzzer targets, warnings as errors. Both scripts configure it alike,
# so that one after the other rebuilds nothing. Sets SANITIZE_BUILD.

SANITIZE_BUILD=build-sanitize
# A folder configured before with another compiler cannot switch to clang.
if [ -f "$SANITIZE_BUILD/CMakeCache.txt" ] &&
    ! grep -q '^CMAKE_CXX_COMPILER:[A-Z]*=.*clang++' "$SANITIZE_BUILD/CMakeCache.txt"; then
    echo "Reconfiguring $SANITIZE_BUILD with clang."
    rm -rf "$SANITIZE_BUILD/CMakeCache.txt" "$SANITIZE_BUILD/CMakeFiles"
fi
CC=clang CXX=clang++ cmake -S . -B "$SANITIZE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DBUILD_TESTING=ON -DVIDFOLIO_SANITIZE=ON -DVIDFOLIO_FUZZ=ON -DVIDFOLIO_WERROR=ON

# LeakSanitizer's own record of dynamic TLS (kept by intercepting
# __tls_get_addr) goes wrong with this clang's runtime and the system's C
# library once Qt's image plugins were loaded: the leak check at exit then
# crashes on a bogus range ("Tracer caught signal 11"), in some builds and not
# others. Without the interception those blocks are no roots for the check,
# which can only add reports, never hide a leak.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}intercept_tls_get_addr=0"
