#include "glyph/GlyphColors.h"
#include "glyph/StatusIconRenderer.h"

#include <QPainter>
#include <QTest>

#include <cmath>

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

// WCAG's contrast of two opaque colours.
double contrast(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& c) {
        const auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double x = luminance(a) + 0.05;
    const double y = luminance(b) + 0.05;
    return std::max(x, y) / std::min(x, y);
}

} // namespace

Q_DECLARE_METATYPE(Appearance)

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

    // Drawn for a light or a dark bar, the icon stands out (WCAG's 3:1 for
    // graphics) on either, and on a coloured one: hosts such as waybar have
    // bars of their own colours.
    void legibleOnAnyBar_data()
    {
        QTest::addColumn<Appearance>("drawnFor");
        QTest::addColumn<QColor>("bar");
        for (const Appearance drawnFor : {Appearance::Light, Appearance::Dark}) {
            const char* name = drawnFor == Appearance::Light ? "for light" : "for dark";
            for (const char* bar : {"#f5f5f5", "#e8e8e8", "#2b2b2b", "#000000", "#285577", "#3d7ab8"})
                QTest::addRow("%s, on %s", name, bar) << drawnFor << QColor(QString::fromLatin1(bar));
        }
    }

    void legibleOnAnyBar()
    {
        QFETCH(Appearance, drawnFor);
        QFETCH(QColor, bar);
        for (const std::optional<qint64> percent : {std::optional<qint64>(), std::optional<qint64>(42)}) {
            QImage shown(22, 22, QImage::Format_ARGB32);
            shown.fill(bar);
            QPainter(&shown).drawImage(0, 0, StatusIconRenderer::render({22, 1.0, percent, GlyphColors::inkOn(drawnFor),
                                                                          GlyphColors::haloOn(drawnFor)}));
            double best = 1;
            for (int y = 0; y < 22; ++y)
                for (int x = 0; x < 22; ++x)
                    best = std::max(best, contrast(shown.pixelColor(x, y), bar));
            QVERIFY2(best >= 3, qPrintable(QString::number(best, 'f', 2)));
        }
    }
};

QTEST_MAIN(TestStatusIconRenderer)
#include "tst_statusiconrenderer.moc"
