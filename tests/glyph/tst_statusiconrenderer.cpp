#include "glyph/StatusIconRenderer.h"

#include <QTest>

#include <limits>

namespace {

// The box around every pixel with some ink, in rows [top, bottom).
QRect inked(const QImage& image, int top, int bottom)
{
    QRect box;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

class TestStatusIconRenderer : public QObject
{
    Q_OBJECT

private slots:
    void digits_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<qint64>("percent");
        for (int size : {16, 22, 44}) {
            for (qint64 percent : {7, 42, 100, 999})
                QTest::addRow("%lld%% at %d px", percent, size) << size << percent;
        }
    }

    // With a figure the glyph shrinks to a crown in the top half, centred,
    // and the digits fill the lower part: at least 40 % of the height, three
    // digits most of the width, centred; everything opaque in the ink colour.
    void digits()
    {
        QFETCH(int, size);
        QFETCH(qint64, percent);
        const QColor ink(0x12, 0x80, 0xf0);
        const QImage image = StatusIconRenderer::render({size, 1.0, percent, ink});
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                if (qAlpha(image.pixel(x, y)) == 255)
                    QCOMPARE(QColor::fromRgba(image.pixel(x, y)), ink);

        const QRect crown = inked(image, 0, size * 2 / 5);
        QVERIFY(!crown.isEmpty());
        QVERIFY2(crown.width() <= size / 2 + 1, QByteArray::number(crown.width()) + " px wide crown");
        QVERIFY(std::abs((crown.left() + crown.right()) - (size - 1)) <= 2);

        const QRect digits = inked(image, size / 2, size);
        QVERIFY2(digits.bottom() - size / 2 + 1 >= 0.4 * size, QByteArray::number(digits.height()) + " px tall");
        if (percent >= 100)
            QVERIFY2(digits.width() >= 0.8 * size, QByteArray::number(digits.width()) + " px wide");
        QVERIFY(std::abs((digits.left() + digits.right()) - (size - 1)) <= 2);
    }

    // More digits, or a sign, cannot be read in a square: the glyph alone.
    void unreadableFiguresDrawTheGlyphAlone_data()
    {
        QTest::addColumn<qint64>("percent");
        using Limits = std::numeric_limits<qint64>;
        for (qint64 percent : {qint64(-1), qint64(1000), Limits::max(), Limits::min()})
            QTest::addRow("%lld%%", percent) << percent;
    }

    void unreadableFiguresDrawTheGlyphAlone()
    {
        QFETCH(qint64, percent);
        const QImage withFigure = StatusIconRenderer::render({22, 1.0, percent, Qt::black});
        QCOMPARE(withFigure, StatusIconRenderer::render({22, 1.0, std::nullopt, Qt::black}));
        QCOMPARE(inked(withFigure, 0, 22).width(), 22 - 2 * (22 / 18));
    }
};

QTEST_MAIN(TestStatusIconRenderer)
#include "tst_statusiconrenderer.moc"
