#pragma once

#include <chrono>
#include <optional>
#include <vector>

class QEventLoop;

namespace vidfolio {

enum class WaitEnd
{
    Done,     // what was waited for happened
    TimedOut, // the time given ran out first
    Stopped,  // the loop's stop was raised
};

class Wait;

// The thread's event loop, and the one way the program waits: for the site,
// for a server's asked-for pause, for a lock another copy holds, through the
// listing's closing pause. A wait runs the event loop itself, so the window
// goes on painting and answering the window system, a close included, and
// the user's commands arrive as they are given.
//
// The loop carries a stop, raised by stop() and lowered by resume(). Raising
// it ends every wait under way; while it is raised, every wait and pump ends
// as Stopped, also one whose awaited event came in the same pass of the event
// loop as the stop, so that a step that checks the end of its wait never
// goes on after a stop. The loop knows nothing of why it is stopped: the
// program's command rule (app/commands.h) raises and lowers it.
//
// Needs the thread's event dispatcher: a QCoreApplication or QApplication.
class RunLoop
{
public:
    RunLoop();
    virtual ~RunLoop();
    RunLoop(const RunLoop &) = delete;
    RunLoop &operator=(const RunLoop &) = delete;

    // Handles every pending event once: Done, or Stopped when the stop is
    // raised by then (an event handled may have raised it).
    [[nodiscard]] WaitEnd pumpEvents();
    // Pauses for `ms` with the event loop running: Done once the time has
    // passed, Stopped as soon as the stop is raised.
    [[nodiscard]] WaitEnd sleepMs(int ms);

    // Ends every wait under way, and every one begun until resume(), as
    // Stopped.
    void stop();
    void resume();
    bool stopped() const { return m_stopped; }

protected:
    // How pending events are handled and a pause is made; a tool or test
    // without a window may handle none, or pause without waiting.
    virtual void handleEvents();
    virtual void pause(int ms);

private:
    friend class Wait;

    std::vector<Wait *> m_waits;
    bool m_stopped = false;
};

// One wait on a RunLoop for something an event handled meanwhile brings
// about: a transfer that ends, a lock that comes free.
class Wait
{
public:
    explicit Wait(RunLoop &loop) : m_loop(loop) {}
    Wait(const Wait &) = delete;
    Wait &operator=(const Wait &) = delete;

    // Runs the event loop until finish() is called, `timeout` passes or the
    // loop's stop is raised. Stopped whenever the stop is raised by the time
    // it returns, whatever ended it.
    [[nodiscard]] WaitEnd run(std::chrono::milliseconds timeout);
    // Ends the wait as done; called before run, run then returns at once.
    void finish();

private:
    friend class RunLoop;
    void endAs(WaitEnd end);

    RunLoop &m_loop;
    QEventLoop *m_events = nullptr;
    std::optional<WaitEnd> m_end;
};

} // namespace vidfolio
