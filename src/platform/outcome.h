#pragma once

namespace vidfolio {

// How a step that may wait for something outside the program ended: a
// request, a download, a page fetch, a picture, a save of the history. Every
// layer reports it alike, so that "stopped" has one name from the transfer
// up to the command.
enum class Outcome
{
    Done,
    // It failed; a reason for the user comes with it.
    Failed,
    // Its wait was stopped (RunLoop::stop): the step left off, and whatever
    // called it stops where it is too, showing, asking for and opening
    // nothing more.
    Stopped,
};

} // namespace vidfolio
