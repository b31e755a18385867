// A bare status item for the script tests: the item with a stand-in glyph,
// the label from the command line, an event loop for at most the given
// number of seconds. Prints its bus name once exported.
#include "app/StatusIcon.h"
#include "app/sni/StatusNotifierItem.h"

#include "StandInGlyph.h"

#include <QGuiApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString label = args.value(1);
    const int seconds = std::clamp(args.value(2, QStringLiteral("30")).toInt(), 1, 600);

    StatusNotifierItem item([](int size) {
        return StatusIcon::render({size, 1.0, 42, Qt::white}, paintStandInGlyph);
    });
    if (!item.isExported())
        return 2;
    item.setLabel(label);
    std::printf("%s\n", qPrintable(item.serviceName()));
    std::fflush(stdout);
    QObject::connect(&item, &StatusNotifierItem::quitRequested, &app, &QCoreApplication::quit);
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    return app.exec();
}
