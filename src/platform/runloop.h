#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QEventLoop;

namespace vidfolio {

enum class WaitEnd
{
    Done,     // what was waited for happened
    TimedOut, // the time given ran out first
    Stopped,  // the program is ending, or the command waiting was given up
};

class Wait;

// The thread's event loop, and the one way the program waits: for the site,
// for a server's asked-for pause, for a lock another copy holds, through the
// listing's closing pause. A wait runs the event loop itself, so the window
// goes on painting and answering the window system, a close included, and
// the user's commands arrive as they are given.
//
// Commands (a listing, a click on a video, a Video command) run one at a
// time through runCommand: one that arrives while another still runs gives
// that one up, whose waits then end at once, and runs when it has returned.
// Once the program is ending, every wait ends and no command runs.
//
// Needs the thread's event dispatcher: a QCoreApplication or QApplication.
class RunLoop
{
public:
    RunLoop();
    virtual ~RunLoop();
    RunLoop(const RunLoop &) = delete;
    RunLoop &operator=(const RunLoop &) = delete;

    // Handles every pending event once.
    virtual void pumpEvents();
    // Pauses with the event loop running; returns early once stopped().
    virtual void sleepMs(int ms);

    // Runs `command` now, or, while another command runs, gives that one up
    // and runs `command` once it has returned; of several that arrive
    // meanwhile, the latest. Does nothing once the program is ending.
    void runCommand(std::function<void()> command);

    // The program is ending: the waits under way end, no wait lasts from
    // here on but the end's own (see Wait::run), and no command runs.
    void end();
    bool ending() const { return m_ending; }
    // The command under way should stop where it is, showing nothing more
    // and asking the site for nothing more: it was given up, or the program
    // is ending.
    bool stopped() const { return m_ending || m_givenUp; }

private:
    friend class Wait;
    void stopWaits();

    std::vector<Wait *> m_waits;
    std::unique_ptr<std::function<void()>> m_pending;
    bool m_commandRunning = false;
    bool m_givenUp = false;
    bool m_ending = false;
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
    // loop stops its waits. A wait that starts while its command is stopped
    // ends at once, unless the program is ending and `duringEnd` is set: the
    // end's own waits (the history save's lock) take their time, which must
    // be short.
    WaitEnd run(std::chrono::milliseconds timeout, bool duringEnd = false);
    // Ends the wait as done; called before run, run then returns at once.
    void finish();

private:
    friend class RunLoop;
    void stop();
    void endAs(WaitEnd end);

    RunLoop &m_loop;
    QEventLoop *m_events = nullptr;
    std::optional<WaitEnd> m_end;
};

} // namespace vidfolio
