#include "app/Launch.h"

#include <QtGlobal>

int main(int argc, char* argv[])
{
    // Ostrel keeps no log: failures show as absent figures, and Qt's own
    // diagnostics stay off the terminal and the session journal.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return Launch::run(argc, argv);
}
