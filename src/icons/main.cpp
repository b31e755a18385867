// Build-time tool: writes the application icon into a hicolor tree,
//
//   ostrel-icons <dir> <N>...  →  <dir>/<N>x<N>/apps/<app id>.png for each N,
//                                 <dir>/scalable/apps/<app id>.svg
//
// rendered by the same code that draws the status-area glyph.
#include "config/AppInfo.h"
#include "icons/AppIcon.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSaveFile>

#include <cstdio>

namespace {

bool write(const QString& path, const QByteArray& data)
{
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit();
}

QByteArray png(int side)
{
    QByteArray data;
    QBuffer buffer(&data);
    if (!buffer.open(QIODevice::WriteOnly) || !AppIcon::image(side).save(&buffer, "PNG"))
        return {};
    return data;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication application(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    QList<int> sides;
    for (qsizetype i = 2; i < arguments.size(); ++i) {
        bool ok = false;
        const int side = arguments.at(i).toInt(&ok);
        if (!ok || side < 1 || side > 1024) {
            std::fprintf(stderr, "ostrel-icons: not a pixel size: %s\n", qPrintable(arguments.at(i)));
            return 2;
        }
        sides << side;
    }
    if (sides.isEmpty()) {
        std::fprintf(stderr, "usage: ostrel-icons <hicolor directory> <side in pixels>...\n");
        return 2;
    }
    const QString root = arguments.at(1);
    const QString name = QString::fromLatin1(AppInfo::id);
    for (int side : sides) {
        const QString path = QStringLiteral("%1/%2x%2/apps/%3.png").arg(root).arg(side).arg(name);
        const QByteArray data = png(side);
        if (data.isEmpty() || !write(path, data)) {
            std::fprintf(stderr, "ostrel-icons: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    const QString svgPath = QStringLiteral("%1/scalable/apps/%2.svg").arg(root, name);
    if (!write(svgPath, AppIcon::svg())) {
        std::fprintf(stderr, "ostrel-icons: cannot write %s\n", qPrintable(svgPath));
        return 1;
    }
    return 0;
}
