#pragma once

#include "table.h"

#include <string>

namespace vidfolio::bench {

// Runs the window's liveness cases of `casePath` (see livecase.h) `runs`
// times each and adds their rows: the longest gap in the window's event
// loop while it waits for a slow site, and the time from a close to the
// end, each against its fixed bound.
void livenessRows(Table &table, const std::string &casePath, int runs);

// Runs three cases of the desktop suite (the real program under Xvfb and
// openbox) `runs` times each: the close during a stalled lookup to the end,
// against 1 s, and how soon two inputs act during stalled thumbnails.
void desktopRows(Table &table, const std::string &desktopTests, int runs);

} // namespace vidfolio::bench
