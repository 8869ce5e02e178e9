#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace vidfolio::test {

// Polls `condition` every few milliseconds until it holds or `limit` has
// passed: for what another process or thread brings about while this thread
// has nothing else to do.
inline bool waitFor(const std::function<bool()> &condition, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace vidfolio::test
