#include "app/StatusIcon.h"

#include "sni/StandInGlyph.h"

#include <QTest>

#include <limits>

using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(ColorScheme)

namespace {

// The smallest rectangle holding every pixel with any coverage.
QRect inkBounds(const QImage& image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 0)
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

void fillWholeRect(QPainter& painter, const QRectF& rect)
{
    painter.fillRect(rect, Qt::black);
}

const StatusIcon::GlyphPainter noGlyph;

} // namespace

class TestStatusIcon : public QObject
{
    Q_OBJECT

private slots:
    void sizeFollowsTheRatio_data()
    {
        QTest::addColumn<int>("logical");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<int>("pixels");
        QTest::newRow("22 at 1x") << 22 << 1.0 << 22;
        QTest::newRow("22 at 2x") << 22 << 2.0 << 44;
        QTest::newRow("16 at 1.5x") << 16 << 1.5 << 24;
        QTest::newRow("22 at 1.25x rounds") << 22 << 1.25 << 28;
        QTest::newRow("absurd ratio clamped") << 22 << 1000.0 << 512;
        QTest::newRow("zero ratio taken as 1x") << 22 << 0.0 << 22;
        QTest::newRow("zero size") << 0 << 1.0 << 1;
    }

    void sizeFollowsTheRatio()
    {
        QFETCH(int, logical);
        QFETCH(qreal, ratio);
        QFETCH(int, pixels);
        const QImage image = StatusIcon::render({logical, ratio, 42, Qt::black}, paintStandInGlyph);
        QCOMPARE(image.size(), QSize(pixels, pixels));
        QCOMPARE(image.format(), QImage::Format_ARGB32);
        // Qt draws it at its logical size on any screen.
        if (logical > 0)
            QCOMPARE(image.deviceIndependentSize(), QSizeF(logical, logical));
    }

    void digitsLegible_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<qint64>("percent");
        for (int size : {16, 22, 24, 44}) {
            for (qint64 percent : {7, 42, 100, 999})
                QTest::addRow("%lld%% at %d px", percent, size) << size << percent;
        }
    }

    void digitsLegible()
    {
        // Without a glyph only the digits have ink: they must take at least
        // half the height (12 px at 22) and stay inside the square, centred.
        QFETCH(int, size);
        QFETCH(qint64, percent);
        const QImage image = StatusIcon::render({size, 1.0, percent, Qt::white}, noGlyph);
        const QRect ink = inkBounds(image);
        QVERIFY(!ink.isEmpty());
        QVERIFY2(ink.height() >= 0.5 * size, qPrintable(u"%1 px tall"_s.arg(ink.height())));
        QVERIFY(image.rect().contains(ink));
        if (percent >= 100)
            QVERIFY2(ink.width() >= 0.8 * size, qPrintable(u"%1 px wide"_s.arg(ink.width())));
        QVERIFY(std::abs((ink.left() + ink.right()) - (size - 1)) <= 2);
    }

    void digitsPartedFromTheGlyph()
    {
        // A glyph that fills whatever rectangle it gets: alone it covers the
        // icon; with digits it is a crown above them, with a clear moat
        // between the two.
        const QImage plain = StatusIcon::render({22, 1.0, std::nullopt, Qt::black}, fillWholeRect);
        QCOMPARE(inkBounds(plain), plain.rect());
        for (int y = 0; y < 22; ++y) {
            for (int x = 0; x < 22; ++x)
                QCOMPARE(qAlpha(plain.pixel(x, y)), 255);
        }

        const QImage marked = StatusIcon::render({22, 1.0, 42, Qt::black}, fillWholeRect);
        QCOMPARE(qAlpha(marked.pixel(11, 1)), 255);
        int moat = 0;
        for (int y = 0; y < 11; ++y) {
            for (int x = 6; x < 16; ++x)
                moat += qAlpha(marked.pixel(x, y)) == 0;
        }
        QVERIFY2(moat >= 4, qPrintable(QString::number(moat)));
        const QRect digits = inkBounds(marked.copy(0, 12, 22, 10));
        QVERIFY(digits.width() >= 12);
    }

    void unshowablePercentDrawsTheGlyphAlone_data()
    {
        QTest::addColumn<qint64>("percent");
        QTest::newRow("negative") << qint64(-1);
        QTest::newRow("four digits") << qint64(1000);
        QTest::newRow("largest") << std::numeric_limits<qint64>::max();
        QTest::newRow("smallest") << std::numeric_limits<qint64>::min();
    }

    void unshowablePercentDrawsTheGlyphAlone()
    {
        QFETCH(qint64, percent);
        const QImage alone = StatusIcon::render({22, 2.0, std::nullopt, Qt::black}, paintStandInGlyph);
        QCOMPARE(StatusIcon::render({22, 2.0, percent, Qt::black}, paintStandInGlyph), alone);
        QVERIFY(StatusIcon::render({22, 2.0, 5, Qt::black}, paintStandInGlyph) != alone);
    }

    void tintedInTheGlyphColour()
    {
        const QColor colour(0x12, 0x80, 0xf0);
        const QImage image = StatusIcon::render({44, 1.0, 42, colour}, paintStandInGlyph);
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (qAlpha(pixel) == 255) {
                    ++opaque;
                    QCOMPARE(QColor::fromRgba(pixel), colour);
                }
            }
        }
        QVERIFY(opaque > 100);
    }

    void sameRequestSamePixels()
    {
        const StatusIcon::Request request{22, 2.0, 42, Qt::white};
        QCOMPARE(StatusIcon::render(request, paintStandInGlyph), StatusIcon::render(request, paintStandInGlyph));
    }

    void glyphColour_data()
    {
        QTest::addColumn<ColorScheme>("scheme");
        QTest::addColumn<bool>("darkPanel");
        QTest::addColumn<bool>("lightGlyph");
        QTest::newRow("light scheme") << ColorScheme::Light << false << false;
        QTest::newRow("dark scheme") << ColorScheme::Dark << false << true;
        QTest::newRow("GNOME's bar in light mode") << ColorScheme::Light << true << true;
        QTest::newRow("GNOME's bar in dark mode") << ColorScheme::Dark << true << true;
    }

    void glyphColour()
    {
        QFETCH(ColorScheme, scheme);
        QFETCH(bool, darkPanel);
        const QColor colour = StatusIcon::glyphColor(scheme, darkPanel);
        QTEST(colour.lightnessF() > 0.5, "lightGlyph");
        QCOMPARE(colour.alpha(), 255);
    }
};

QTEST_MAIN(TestStatusIcon)
#include "tst_statusicon.moc"
