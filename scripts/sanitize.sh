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
