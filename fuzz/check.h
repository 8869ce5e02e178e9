#pragma once

#include <cstdio>
#include <cstdlib>

namespace vidfolio::fuzz {

// Ends the run with `what` when an invariant does not hold: libFuzzer takes
// the abort for a crash and keeps the input that caused it.
inline void check(bool holds, const char *what)
{
    if (holds)
        return;
    std::fprintf(stderr, "invariant failed: %s\n", what);
    std::abort();
}

} // namespace vidfolio::fuzz
