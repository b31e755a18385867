#include "app/OstrelApp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ostrel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Ostrel"));
    QApplication::setDesktopFileName(OstrelApp::applicationId);
    // Only Quit ends the application; closing the panel does not.
    QApplication::setQuitOnLastWindowClosed(false);

    OstrelApp ostrel;
    QObject::connect(&ostrel, &OstrelApp::quitRequested, &application, &QApplication::quit, Qt::QueuedConnection);
    ostrel.show();
    return application.exec();
}
