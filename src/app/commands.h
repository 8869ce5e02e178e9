#pragma once

#include <functional>
#include <optional>

namespace vidfolio {

class RunLoop;

// The rule by which the user's commands share the one window and its run
// loop: which command gives up which, and what one given up leaves behind.
//
// - A command that waits (a listing, a click on a video, Download and Watch
//   direct) gives up the command under way and runs once that one has
//   returned; of several given meanwhile, the latest runs. A command given
//   up stops where it is: its waits end at once, and it shows, asks for and
//   opens nothing more.
// - A command that waits for nothing (Watch normal) gives nothing up: it runs
//   at once, and the command under way goes on.
// - A command given up then leaves the window as if it had ended there: no
//   busy status ("Working, please wait..", "Loading pictures...", "Please
//   wait..") and an empty progress bar, and a thumbnail box whose picture
//   never came empty, as for a picture that failed. Each command names what
//   that takes for it; so once no command runs, the window shows no busy
//   state, and the boxes show the pictures of the last video chosen.
// - Once the program is ending, no command runs, and the one under way shows,
//   asks for and opens nothing more, whatever arrived in the same pass of the
//   event loop. The end's own work (the last save) runs once, after any step
//   under way that an end must not break into (a save).
class Commands
{
public:
    using Step = std::function<void()>;

    explicit Commands(RunLoop &loop);
    Commands(const Commands &) = delete;
    Commands &operator=(const Commands &) = delete;

    // A command that waits: runs `body` now, or gives up the command under
    // way and runs `body` once that one has returned. `leaveBehind` runs
    // after `body` when it was given up (not when the program ends).
    void give(Step body, Step leaveBehind = {});
    // A command that waits for nothing: runs `body` at once.
    void giveAtOnce(const Step &body);

    // The program ends: the command under way stops at once and none runs
    // from here on. `endWork` runs once, with the stop lowered, so that its
    // waits take the (short) time they are given; at once, or, during an
    // unbroken step, as soon as that step is over. A second end does nothing.
    void end(Step endWork);
    bool ending() const { return m_ending; }

    // While one lives, an end that comes stops the waits under way at once,
    // but its work waits until the last one has gone.
    class [[nodiscard]] Unbroken
    {
    public:
        explicit Unbroken(Commands &commands);
        ~Unbroken();
        Unbroken(const Unbroken &) = delete;
        Unbroken &operator=(const Unbroken &) = delete;

    private:
        Commands &m_commands;
    };

private:
    struct Command
    {
        Step body;
        Step leaveBehind;
    };

    void runEndWork();

    RunLoop &m_loop;
    std::optional<Command> m_waiting;
    bool m_running = false;
    bool m_ending = false;
    int m_unbroken = 0;
    Step m_endWork;
};

} // namespace vidfolio
