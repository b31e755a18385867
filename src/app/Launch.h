#pragma once

#include "model/StatsViewModel.h"

#include <functional>

// The process from start to end: the command line, then either the Qt
// application (one instance per session, the status item and the event
// loop) or the status-bar lines, with the real clock, files and account
// service. Returns the exit status.
namespace Launch {

// Replaces some of the real things the view model works with; only tests
// give one. It runs once the application object exists.
using Adjust = std::function<void(StatsViewModel::Dependencies&)>;

int run(int& argc, char** argv, const Adjust& adjust = {});

} // namespace Launch
