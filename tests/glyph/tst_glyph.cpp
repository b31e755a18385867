#include "glyph/GlyphColors.h"
#include "glyph/MenuBarLabel.h"
#include "glyph/StatusIconRenderer.h"
#include "views/PanelStyle.h"

#include <QPainter>
#include <QTest>

#include <limits>
#include <numeric>

using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(Appearance)

namespace {

const QColor ink(0x12, 0x80, 0xf0);

// The box around every pixel with some ink in rows [top, bottom); an invalid box if an opaque one is not the ink.
QRect inked(const QImage& image, int top, int bottom)
{
    QRect box;
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 0)
                box |= QRect(x, y, 1, 1);
            if (qAlpha(image.pixel(x, y)) == 255 && QColor::fromRgba(image.pixel(x, y)) != ink)
                return QRect(-1, -1, 0, 0);
        }
    return box;
}

} // namespace

class TestGlyph : public QObject
{
    Q_OBJECT

private slots:
    // At the sizes hosts pick and at 2×. Alone, or instead of a figure that cannot be read in a
    // square: nothing in the one-in-eighteen margin, ray tips reaching it, a solid centre. With a
    // figure: a crown in the top half, the digits below at least 40 % of the height; all centred.
    void render_data()
    {
        QTest::addColumn<int>("side");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<std::optional<qint64>>("percent");
        for (const int side : {16, 22, 24, 44})
            QTest::addRow("%d px", side) << side << qreal(1) << std::optional<qint64>();
        QTest::newRow("22 px at 2x") << 22 << qreal(2) << std::optional<qint64>();
        for (const qint64 percent : {qint64(-1), qint64(1000), std::numeric_limits<qint64>::min()})
            QTest::addRow("%lld%%: no figure", percent) << 22 << qreal(1) << std::optional(percent);
        for (const int side : {16, 22, 44})
            for (const qint64 percent : {7, 42, 100, 999})
                QTest::addRow("%lld%% at %d px", percent, side) << side << qreal(1) << std::optional(percent);
    }

    void render()
    {
        QFETCH(int, side);
        QFETCH(qreal, ratio);
        QFETCH(std::optional<qint64>, percent);
        const QImage icon = StatusIconRenderer::render({side, ratio, percent, ink});
        const int pixels = qRound(side * ratio), margin = pixels / 18;
        QCOMPARE(icon.size(), QSize(pixels, pixels));
        QCOMPARE(icon.devicePixelRatio(), ratio);
        if (percent >= 0 && percent < 1000) {
            const QRect crown = inked(icon, 0, side * 2 / 5), digits = inked(icon, side / 2, side);
            QVERIFY(crown.width() > 0 && crown.width() <= side / 2 + 1);
            QVERIFY(std::abs((crown.left() + crown.right()) - (side - 1)) <= 2);
            QVERIFY2(digits.bottom() - side / 2 + 1 >= 0.4 * side, QByteArray::number(digits.height()) + " px tall");
            QVERIFY(*percent < 100 || digits.width() >= 0.8 * side); // three digits most of the width
            QVERIFY(std::abs((digits.left() + digits.right()) - (side - 1)) <= 2);
            return;
        }
        QCOMPARE(inked(icon, 0, pixels), QRect(margin, margin, pixels - 2 * margin, pixels - 2 * margin));
        QCOMPARE(qAlpha(icon.pixel(pixels / 2, pixels / 2)), 255);
        QCOMPARE(qAlpha(icon.pixel(pixels / 2 - 1, pixels / 2 - 1)), 255);
        if (percent)
            QCOMPARE(icon, StatusIconRenderer::render({side, ratio, std::nullopt, ink}));
    }

    // Drawn for a light or a dark bar, the icon stands out (3:1) on either, and on coloured ones.
    void legibleOnAnyBar_data()
    {
        QTest::addColumn<Appearance>("drawnFor");
        QTest::addColumn<QColor>("bar");
        for (const Appearance drawnFor : {Appearance::Light, Appearance::Dark})
            for (const char* bar : {"#f5f5f5", "#e8e8e8", "#2b2b2b", "#000000", "#285577", "#3d7ab8"})
                QTest::addRow("for %s, on %s", drawnFor == Appearance::Light ? "light" : "dark", bar)
                    << drawnFor << QColor(QString::fromLatin1(bar));
    }

    void legibleOnAnyBar()
    {
        QFETCH(Appearance, drawnFor);
        QFETCH(QColor, bar);
        QImage shown(22, 22, QImage::Format_RGB32);
        shown.fill(bar);
        QPainter(&shown).drawImage(0, 0, StatusIconRenderer::render({22, 1.0, std::nullopt, GlyphColors::inkOn(drawnFor),
                                                                      GlyphColors::haloOn(drawnFor)}));
        double best = 1;
        for (int i = 0; i < 22 * 22; ++i)
            best = std::max(best, PanelStyle::contrast(shown.pixelColor(i % 22, i / 22), bar));
        QVERIFY2(best >= 3, qPrintable(QString::number(best, 'f', 2)));
    }

    // The menu-bar label: the glyph, 4 points of nothing, then the text; or the glyph alone.
    void menuBarLabel()
    {
        const QFont font(u"DejaVu Sans"_s, 10);
        QCOMPARE(MenuBarLabel(QString()).layout(font, 22).glyph, QRectF(0, 2, 18, 18));
        QCOMPARE(MenuBarLabel(QString()).render(font, Qt::black, 22, 2).size(), QSize(36, 44));
        const MenuBarLabel label(u"42% \u00B7 2 hr 5 min"_s);
        QCOMPARE(label.layout(font, 22).text.left(), 18.0 + 4.0);
        const QImage image = label.render(font, Qt::black, 22, 2);
        QList<int> ink(image.width()); // per column
        for (int x = 0; x < image.width(); ++x)
            for (int y = 0; y < image.height(); ++y)
                ink[x] += qAlpha(image.pixel(x, y));
        QVERIFY(ink[18] > 0); // the glyph's centre
        QCOMPARE(ink.mid(36, 8), QList<int>(8, 0));
        QVERIFY(std::accumulate(ink.begin() + 44, ink.end(), 0) > 0);
    }
};

QTEST_MAIN(TestGlyph)
#include "tst_glyph.moc"
