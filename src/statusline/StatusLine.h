#pragma once

#include "model/StatsViewModel.h"
#include "statusline/StatusLineFormat.h"

// The status-bar mode: the view model, started at once and kept current as
// in the application, with every change worth a line written to standard
// output. Needs a QCoreApplication and nothing of the GUI.
namespace StatusLine {

// Runs until SIGTERM or SIGINT arrives or standard output is closed; returns
// the exit status, 0 for each of these ends.
int run(StatusLineFormat::Format format, StatsViewModel::Dependencies dependencies);

} // namespace StatusLine
