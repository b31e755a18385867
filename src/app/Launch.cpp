#include "app/Launch.h"

#include "app/OstrelApp.h"

#include <QApplication>

#if OSTREL_STATUS_NOTIFIER
#include "app/sni/SingleInstance.h"
#endif

int Launch::run(int& argc, char** argv, const std::function<StatsViewModel::Dependencies()>& dependencies)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ostrel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Ostrel"));
    QApplication::setDesktopFileName(OstrelApp::applicationId);
    // Only Quit ends the application; closing the panel does not.
    QApplication::setQuitOnLastWindowClosed(false);

#if OSTREL_STATUS_NOTIFIER
    // A second launch shows the running instance's panel instead of a second
    // icon. Without a session bus every launch runs on its own.
    SingleInstance instance(QDBusConnection::sessionBus(), OstrelApp::applicationId);
    if (instance.claim() == SingleInstance::Role::Secondary)
        return 0;
#endif

    OstrelApp ostrel(dependencies());
    QObject::connect(&ostrel, &OstrelApp::quitRequested, &application, &QApplication::quit, Qt::QueuedConnection);
#if OSTREL_STATUS_NOTIFIER
    QObject::connect(&instance, &SingleInstance::activationRequested, &ostrel, &OstrelApp::showPanelNearItem);
#endif
    ostrel.show();
    return application.exec();
}
