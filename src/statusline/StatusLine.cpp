#include "statusline/StatusLine.h"

#include "statusline/StatusLineWriter.h"
#include "statusline/TerminationSignals.h"
#include "statusline/ViewModelSnapshot.h"

#include <QCoreApplication>

#include <csignal>
#include <unistd.h>

int StatusLine::run(StatusLineFormat::Format format, StatsViewModel::Dependencies dependencies)
{
    // A closed standard output shows as EPIPE at the next write, not as a
    // signal that ends the process on the spot.
    std::signal(SIGPIPE, SIG_IGN);
    TerminationSignals termination;
    StatsViewModel viewModel(std::move(dependencies));
    StatusLineWriter writer(format, STDOUT_FILENO);

    QObject::connect(&viewModel, &StatsViewModel::changed, &writer,
                     [&] { writer.show(ViewModelSnapshot::take(viewModel)); });
    // Queued: either may come before the event loop runs, when quitting
    // directly would do nothing.
    QObject::connect(&writer, &StatusLineWriter::closed, QCoreApplication::instance(), &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(&termination, &TerminationSignals::received, QCoreApplication::instance(),
                     &QCoreApplication::quit, Qt::QueuedConnection);

    viewModel.start();
    return QCoreApplication::exec();
}
