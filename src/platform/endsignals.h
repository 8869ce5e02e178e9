#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

namespace vidfolio {

// Turns the signals that ask a program to end (SIGTERM from a session
// manager or `kill`, SIGINT from Ctrl+C, SIGHUP from a closed terminal) into
// a call of `onEnd` from the Qt event loop, where the program may save and
// end as a close does. The handler itself only writes a byte into a pipe
// that a socket notifier watches. A second such signal, while the first is
// still being handled or the program ends, ends the process at once with
// 128 + the signal's number, for a program that hangs in its end.
//
// One at a time: the handlers are the process's. Destroying it puts the
// default handlers back.
class EndSignals
{
public:
    explicit EndSignals(std::function<void()> onEnd);
    ~EndSignals();
    EndSignals(const EndSignals &) = delete;
    EndSignals &operator=(const EndSignals &) = delete;

    // False when the pipe or a handler could not be set up; the signals then
    // end the program as they would without it.
    bool installed() const { return m_installed; }

private:
    void readPipe();

    std::function<void()> m_onEnd;
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_installed = false;
};

} // namespace vidfolio
