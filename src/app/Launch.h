#pragma once

// The process from start to end: the Qt application, one instance per
// session, the status item and the event loop, with the real clock, files
// and account service.
namespace Launch {

int run(int& argc, char** argv);

} // namespace Launch
