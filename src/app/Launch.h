#pragma once

#include "model/StatsViewModel.h"

#include <functional>

// The process from start to end: the Qt application, one instance per
// session, the status item and the event loop. `dependencies` is called once
// the application exists, for the view model (the real things in `main`).
namespace Launch {

int run(int& argc, char** argv, const std::function<StatsViewModel::Dependencies()>& dependencies);

} // namespace Launch
