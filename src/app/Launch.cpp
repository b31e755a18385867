#include "app/Launch.h"

#include "app/OstrelApp.h"
#include "config/AppInfo.h"

#include <QApplication>

#if OSTREL_STATUS_NOTIFIER
#include "app/dbus/SingleInstance.h"
#endif

int Launch::run(int& argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(AppInfo::name));
    QApplication::setApplicationDisplayName(QString::fromLatin1(AppInfo::name));
    QApplication::setApplicationVersion(QString::fromLatin1(AppInfo::version));
    QApplication::setDesktopFileName(QString::fromLatin1(AppInfo::id));
    // Only Quit ends the application; closing the panel does not.
    QApplication::setQuitOnLastWindowClosed(false);

#if OSTREL_STATUS_NOTIFIER
    // A second launch shows the running instance's panel instead of a second
    // icon. Without a session bus every launch runs on its own.
    SingleInstance instance(QDBusConnection::sessionBus(), QString::fromLatin1(AppInfo::id));
    if (instance.claim() == SingleInstance::Role::Secondary)
        return 0;
#endif

    OstrelApp ostrel(StatsViewModel::defaultDependencies());
    QObject::connect(&ostrel, &OstrelApp::quitRequested, &application, &QApplication::quit, Qt::QueuedConnection);
#if OSTREL_STATUS_NOTIFIER
    QObject::connect(&instance, &SingleInstance::activationRequested, &ostrel, &OstrelApp::showPanelNearItem);
#endif
    ostrel.show();
    return application.exec();
}
