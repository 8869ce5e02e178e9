#pragma once

#include "ui/main.h"

#include <functional>

namespace vidfolio::ui {

// Runs the program: the application object, the desktop's names for it, and
// the window made with what `makeSetup` returns, until the window ends the
// program; SIGTERM, SIGINT and SIGHUP close the window as its close box does
// (EndSignals). The setup is made once the application has its name, which the
// data folder is named after. The installed program runs with the built-in
// setup (no `makeSetup`); the desktop tests point the site and the folder
// at their own.
int runProgram(int argc, char **argv, const std::function<MainSetup()> &makeSetup = {});

} // namespace vidfolio::ui
