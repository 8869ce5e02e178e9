#pragma once

#include "table.h"

#include <string>

namespace vidfolio::bench {

// Runs the window's liveness cases of `casePath` (see livecase.h) `runs`
// times each and adds their rows: the longest gap in the window's event
// loop while it waits for a slow site, and the time from a close to the
// end, each against its fixed bound.
void livenessRows(Table &table, const std::string &casePath, int runs);

} // namespace vidfolio::bench
