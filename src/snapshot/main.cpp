// ostrel-snapshot: renders the panel to a PNG from the statistics under
// $HOME/.claude and, optionally, a stored usage reply. For screenshots and
// visual checks; it never touches the network.

#include "common/Clock.h"
#include "common/InternetDateTime.h"
#include "model/StatsViewModel.h"
#include "snapshot/FileUsageSource.h"
#include "views/ContentView.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QImage>
#include <QFontInfo>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleFactory>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

class PinnedClock final : public Clock
{
public:
    explicit PinnedClock(QDateTime now)
        : m_now(std::move(now))
    {
    }
    QDateTime now() const override { return m_now; }

private:
    QDateTime m_now;
};

QPalette darkPalette()
{
    QPalette p;
    const QColor window(0x2b, 0x2b, 0x2d);
    const QColor text(0xf2, 0xf2, 0xf2);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::ToolTipBase, window);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Highlight, QColor(0x0a, 0x84, 0xff));
    p.setColor(QPalette::HighlightedText, Qt::white);
    return p;
}

int fail(const QString& message)
{
    std::fputs(qPrintable(u"ostrel-snapshot: "_s + message + u'\n'), stderr);
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    // Offscreen windows cannot take size hints, and Qt says so on every showing.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& message) {
        if (!message.startsWith(u"This plugin does not support"_s))
            std::fputs(qPrintable(message + u'\n'), stderr);
    });
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Renders the Ostrel panel to a PNG file."_s);
    parser.addHelpOption();
    const QCommandLineOption output({u"o"_s, u"output"_s}, u"PNG file to write."_s, u"file"_s, u"panel.png"_s);
    const QCommandLineOption usage(u"usage"_s, u"Usage reply JSON to show."_s, u"file"_s);
    const QCommandLineOption now(u"now"_s, u"Pretend it is this moment (RFC 3339)."_s, u"time"_s);
    const QCommandLineOption theme(u"theme"_s, u"light or dark."_s, u"theme"_s, u"light"_s);
    const QCommandLineOption family(u"font"_s, u"The desktop's font family."_s, u"family"_s);
    const QCommandLineOption size(u"font-size"_s, u"The desktop's font size in points."_s, u"points"_s);
    const QCommandLineOption scale(u"scale"_s, u"Scale factor (QT_SCALE_FACTOR); also the picture's pixel ratio."_s,
                                   u"factor"_s, u"1"_s);
    const QCommandLineOption height(u"available-height"_s,
                                    u"Height the screen leaves the panel, in logical pixels."_s, u"pixels"_s);
    const QCommandLineOption end(u"scrolled"_s, u"Show the end of the scrolling middle."_s);
    parser.addOptions({output, usage, now, theme, family, size, scale, height, end});
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const bool parsed = parser.parse(arguments);

    // The scale factor must be known before the application starts.
    bool scaleOk = false;
    const double factor = parser.value(scale).toDouble(&scaleOk);
    if (parsed && scaleOk && factor >= 0.5 && factor <= 8)
        qputenv("QT_SCALE_FACTOR", QByteArray::number(factor));
    // A developer tool: render without a display unless one is asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setApplicationName(u"ostrel-snapshot"_s);
    QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));
    if (!parsed)
        return fail(parser.errorText());
    if (parser.isSet(u"help"_s))
        parser.showHelp();
    if (!scaleOk || factor < 0.5 || factor > 8)
        return fail(u"--scale wants a number from 0.5 to 8"_s);
    if (parser.value(theme) != u"light"_s && parser.value(theme) != u"dark"_s)
        return fail(u"--theme wants light or dark"_s);

    QFont font = QApplication::font();
    if (parser.isSet(family)) {
        font.setFamily(parser.value(family));
        if (QFontInfo(font).family() != parser.value(family))
            return fail(u"no font family "_s + parser.value(family));
    }
    if (parser.isSet(size)) {
        bool ok = false;
        const double points = parser.value(size).toDouble(&ok);
        if (!ok || points < 4 || points > 48)
            return fail(u"--font-size wants points from 4 to 48"_s);
        font.setPointSizeF(points);
    }
    QApplication::setFont(font);

    int availableHeight = QWIDGETSIZE_MAX;
    if (parser.isSet(height)) {
        bool ok = false;
        availableHeight = parser.value(height).toInt(&ok);
        if (!ok || availableHeight < 100)
            return fail(u"--available-height wants at least 100 pixels"_s);
    }

    StatsViewModel::Dependencies dependencies;
    if (parser.isSet(now)) {
        const std::optional<QDateTime> moment = InternetDateTime::parse(parser.value(now));
        const QDateTime plain = QDateTime::fromString(parser.value(now), Qt::ISODate);
        if (!moment && !plain.isValid())
            return fail(u"--now wants a date-time such as 2026-05-28T15:42:00Z"_s);
        dependencies.clock = std::make_shared<PinnedClock>(moment ? *moment : plain);
    }
    // Without a reply file the panel shows no usage, as after a failed fetch.
    dependencies.usageSource = std::make_shared<FileUsageSource>(parser.value(usage));

    if (parser.value(theme) == u"dark"_s)
        QApplication::setPalette(darkPalette());

    StatsViewModel viewModel(dependencies);
    ContentView view(viewModel);
    view.setMaximumHeight(availableHeight);
    viewModel.start();
    // Let the stored reply arrive (both fetches of start()).
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    // As tall as the content, or as the screen allows: the panel window's rule.
    view.resize(view.width(), std::min(view.sizeHint().height(), availableHeight));
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.show();
    QCoreApplication::processEvents();
    if (parser.isSet(end)) {
        for (QScrollArea* area : view.findChildren<QScrollArea*>())
            area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
    }

    const qreal devicePixelRatio = view.devicePixelRatioF();
    QImage image((QSizeF(view.size()) * devicePixelRatio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(view.palette().color(QPalette::Window));
    {
        QPainter painter(&image);
        view.render(&painter);
    }
    if (!image.save(parser.value(output), "PNG"))
        return fail(u"cannot write "_s + parser.value(output));
    std::fputs(qPrintable(u"%1: %2x%3 px\n"_s.arg(parser.value(output)).arg(image.width()).arg(image.height())),
               stdout);
    return 0;
}
