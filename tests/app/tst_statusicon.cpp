#include "app/StatusIcon.h"

#include <QTest>

#include <limits>

class TestStatusIcon : public QObject
{
    Q_OBJECT

private slots:
    void digits_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<qint64>("percent");
        QTest::addColumn<bool>("drawn");
        for (int size : {16, 22, 44}) {
            for (qint64 percent : {7, 42, 100, 999})
                QTest::addRow("%lld%% at %d px", percent, size) << size << percent << true;
        }
        // More digits, or a sign, cannot be read in a square: the glyph alone.
        using Limits = std::numeric_limits<qint64>;
        for (qint64 percent : {qint64(-1), qint64(1000), Limits::max(), Limits::min()})
            QTest::addRow("%lld%% not drawn", percent) << 22 << percent << false;
    }

    void digits()
    {
        // Without a glyph only the digits have ink: at least half the height
        // (12 px at 22), three digits most of the width, centred, and every
        // opaque pixel in the glyph colour.
        QFETCH(int, size);
        QFETCH(qint64, percent);
        QFETCH(bool, drawn);
        const QColor colour(0x12, 0x80, 0xf0);
        const QImage image = StatusIcon::render({size, 1.0, percent, colour}, {});
        QRect ink;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (qAlpha(pixel) > 0)
                    ink |= QRect(x, y, 1, 1);
                if (qAlpha(pixel) == 255)
                    QCOMPARE(QColor::fromRgba(pixel), colour);
            }
        }
        QCOMPARE(!ink.isEmpty(), drawn);
        if (!drawn)
            return;
        QVERIFY2(ink.height() >= 0.5 * size, QByteArray::number(ink.height()) + " px tall");
        if (percent >= 100)
            QVERIFY2(ink.width() >= 0.8 * size, QByteArray::number(ink.width()) + " px wide");
        QVERIFY(std::abs((ink.left() + ink.right()) - (size - 1)) <= 2);
    }
};

QTEST_MAIN(TestStatusIcon)
#include "tst_statusicon.moc"
