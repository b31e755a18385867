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
#include <QPainter>
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
    // A developer tool: render without a display unless one is asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setApplicationName(u"ostrel-snapshot"_s);
    QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Renders the Ostrel panel to a PNG file."_s);
    parser.addHelpOption();
    const QCommandLineOption output({u"o"_s, u"output"_s}, u"PNG file to write."_s, u"file"_s, u"panel.png"_s);
    const QCommandLineOption usage(u"usage"_s, u"Usage reply JSON to show."_s, u"file"_s);
    const QCommandLineOption ratio(u"dpr"_s, u"Device pixel ratio."_s, u"ratio"_s, u"2"_s);
    const QCommandLineOption now(u"now"_s, u"Pretend it is this moment (RFC 3339)."_s, u"time"_s);
    const QCommandLineOption dark(u"dark"_s, u"Use a dark palette."_s);
    parser.addOptions({output, usage, ratio, now, dark});
    parser.process(application);

    bool ratioOk = false;
    const qreal devicePixelRatio = parser.value(ratio).toDouble(&ratioOk);
    if (!ratioOk || devicePixelRatio < 0.5 || devicePixelRatio > 8)
        return fail(u"--dpr wants a number from 0.5 to 8"_s);

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

    if (parser.isSet(dark))
        QApplication::setPalette(darkPalette());

    StatsViewModel viewModel(dependencies);
    ContentView view(viewModel);
    viewModel.start();
    // Let the stored reply arrive (both fetches of start()).
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    view.adjustSize();

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
