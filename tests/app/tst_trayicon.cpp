#include "app/MenuBarIcon.h"
#include "app/StatusIcon.h"
#include "app/TrayIcon.h"

#include <QApplication>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

QImage expected(int side, std::optional<qint64> percent, const QColor& color)
{
    const auto glyph = [](QPainter& painter, const QRectF& rect) { MenuBarIcon::drawFitted(painter, rect, Qt::black); };
    return StatusIcon::render({side, 1.0, percent, color}, glyph).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

class TestTrayIcon : public QObject
{
    Q_OBJECT

private slots:
    void sizesForEveryScreen_data()
    {
        QTest::addColumn<QList<qreal>>("ratios");
        QTest::addColumn<QList<int>>("sides");
        const QList<int> common{16, 22, 24, 32, 44, 48, 64};
        QTest::newRow("1x: the common sizes") << QList<qreal>{1.0} << common;
        QTest::newRow("2x: 44 is among them") << QList<qreal>{2.0} << common;
        QTest::newRow("1.5x: 33 as well") << QList<qreal>{1.5} << common + QList<int>{33};
        QTest::newRow("1.25x and 1.75x screens") << QList<qreal>{1.25, 1.75} << common + QList<int>{28, 39};
        QTest::newRow("3x: 66") << QList<qreal>{3.0} << common + QList<int>{66};
        QTest::newRow("a broken ratio adds nothing") << QList<qreal>{0.0, -2.0, 1e9} << common;
    }

    void sizesForEveryScreen()
    {
        QFETCH(QList<qreal>, ratios);
        QFETCH(QList<int>, sides);
        const QIcon icon = TrayIcon::icon(42, Qt::black, ratios);
        QList<int> available;
        for (const QSize& size : icon.availableSizes()) {
            QCOMPARE(size.width(), size.height());
            available << size.width();
        }
        std::sort(available.begin(), available.end());
        std::sort(sides.begin(), sides.end());
        QCOMPARE(available, sides);
    }

    void eachSizeDrawnForItself_data()
    {
        QTest::addColumn<int>("side");
        QTest::addColumn<qint64>("percent"); // negative: none
        QTest::newRow("22 px with the figure") << 22 << qint64(42);
        QTest::newRow("33 px with the figure") << 33 << qint64(100);
        QTest::newRow("16 px, glyph alone") << 16 << qint64(-1);
        QTest::newRow("44 px with the figure") << 44 << qint64(7);
    }

    void eachSizeDrawnForItself()
    {
        // Not scaled from another size: the digits stay sharp at every size.
        QFETCH(int, side);
        QFETCH(qint64, percent);
        const std::optional<qint64> shown = percent < 0 ? std::nullopt : std::optional<qint64>(percent);
        const QColor colour(0x24, 0x24, 0x24);
        const QIcon icon = TrayIcon::icon(shown, colour, {1.5});
        const QImage drawn = icon.pixmap(QSize(side, side)).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QCOMPARE(drawn.size(), QSize(side, side));
        QCOMPARE(drawn, expected(side, shown, colour));
    }

    void toolTipIsTheLabel()
    {
        TrayIcon tray;
        tray.setContent(u"42% \u00B7 2 hr 5 min"_s, 42, Qt::black);
        QCOMPARE(tray.toolTip(), u"42% \u00B7 2 hr 5 min"_s);
        // Without figures it still says what it is.
        tray.setContent(QString(), std::nullopt, Qt::black);
        QCOMPARE(tray.toolTip(), u"Ostrel"_s);
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(u"Ostrel"_s);
    TestTrayIcon test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_trayicon.moc"
