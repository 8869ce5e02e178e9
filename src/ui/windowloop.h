#pragma once

#include "platform/runloop.h"

#include <chrono>

class QWidget;

namespace vidfolio::ui {

// The window's side of every wait inside a handler (a download, a busy
// server's wait, the listing's closing pause): the window goes on painting,
// running its timers and answering the window system, a close included, but
// no second command starts in the middle of the first.
class WindowLoop final : public RunLoop
{
public:
    explicit WindowLoop(const QWidget &window) : m_window(window) {}

    // Handles every pending event once, input included.
    void pumpEvents() override;
    // Pauses with the window alive; returns early once the program is ending.
    void sleepMs(int ms) override;
    bool ending() const override { return m_ending; }

    // One turn of the window's events during a wait. Input to a disabled
    // window (a listing runs) is handled, which drops it as a disabled
    // window drops all input; input to an enabled one (a node click or a
    // lookup runs) is held until the handler pumps events or returns.
    void turn();
    // A turn, unless the last one was less than kTurnInterval ago: pages
    // that come quickly are not held up by turns they do not need (each
    // lays out the tree's rows put off since the last). False once the
    // program is ending.
    bool keepAlive();
    // Waits `duration` with the window alive; returns early once the program
    // is ending.
    void wait(std::chrono::milliseconds duration);
    // The program is ending: waits stop and downloads are given up.
    void end() { m_ending = true; }

    static constexpr std::chrono::milliseconds kTurnInterval{15};

private:
    const QWidget &m_window;
    bool m_ending = false;
    std::chrono::steady_clock::time_point m_lastTurn;
};

} // namespace vidfolio::ui
