#pragma once

#include <chrono>

namespace vidfolio {

// The two ways a long operation on the window's thread yields: handling the
// window events that are pending, and pausing.
class RunLoop
{
public:
    virtual ~RunLoop() = default;
    virtual void pumpEvents() = 0;
    virtual void sleepMs(int ms) = 0;
};

// Pumps the events of the running Qt application (if any) and sleeps for real.
class QtRunLoop final : public RunLoop
{
public:
    void pumpEvents() override;
    void sleepMs(int ms) override;

    // Waits `duration` while the window goes on painting and running its
    // timers. Mouse and key input is held back until the wait is over, so
    // that no command starts in the middle of another.
    void wait(std::chrono::milliseconds duration);
};

} // namespace vidfolio
