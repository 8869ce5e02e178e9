#pragma once

#include <QString>

#include <string>

namespace vidfolio::bench {

// Cases of vidfolio-bench-case that measure how alive the window stays
// while it waits for a slow site (served in the same process, on loopback):
//
//   window-gap list|pictures|stall|turn|lookup   {"gapMs":...,"ms":...}
//   close-exit                                   {"closeMs":...}
//
// gapMs is the longest time between two runs of a 10 ms timer, that is
// between two turns of the window's event loop, while the window lists 100
// videos from a site answering each page after 500 ms (list), loads the
// three thumbnails of an entry answered after 1 s each (pictures), waits
// for a first page that never comes until its 2 s time-out (stall), for
// another copy's 1 s turn on the scratch file (turn) or for a watch page
// answered after 1 s (lookup); ms is how long that took. closeMs is the
// time from closing the window (1.25 s into the slow listing) to the end of
// the program's event loop and window.
int windowGap(const std::string &which);

//   window-cap-gap HOST USER VIDEOS  {"listGapMs":...,"scrollGapMs":...,"clickGapMs":...}
//
// The same longest gap, on a window listing USER's VIDEOS videos from HOST
// (the listing's cap, 200,000, for the benchmark): during the last 1,000
// pages, while the full tree is scrolled by keys, wheel and scroll bar, and
// during a node click on its last entry.
int capGap(const QString &host, const QString &user, int videos);
int closeToExit();

} // namespace vidfolio::bench
