#pragma once

namespace vidfolio {

// The two ways a long operation on the window's thread yields: handling the
// window events that are pending, and pausing.
class RunLoop
{
public:
    virtual ~RunLoop() = default;
    virtual void pumpEvents() = 0;
    virtual void sleepMs(int ms) = 0;
    // True once the program is ending: a handler that sees it stops where it
    // is, showing nothing more and asking the site for nothing more.
    virtual bool ending() const { return false; }
};

// Pumps the events of the running Qt application (if any) and sleeps for real.
class QtRunLoop final : public RunLoop
{
public:
    void pumpEvents() override;
    void sleepMs(int ms) override;
};

} // namespace vidfolio
