// The application as it runs (status item, panel, view model, statistics
// file in HOME) with the plan-usage reply read from a file instead of the
// account service: end-to-end checks of the full panel without network.
//
//   stored_usage_app <usage reply JSON>
#include "app/OstrelApp.h"
#include "snapshot/FileUsageSource.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 2)
        return 2;
    QApplication::setApplicationName(QStringLiteral("Ostrel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Ostrel"));
    QApplication::setQuitOnLastWindowClosed(false);
    StatsViewModel::Dependencies dependencies = StatsViewModel::defaultDependencies();
    dependencies.usageSource = std::make_shared<FileUsageSource>(QString::fromLocal8Bit(argv[1]));
    OstrelApp ostrel(dependencies);
    QObject::connect(&ostrel, &OstrelApp::quitRequested, &application, &QApplication::quit, Qt::QueuedConnection);
    ostrel.show();
    return application.exec();
}
