#include "icons/AppIcon.h"

#include <QPainter>
#include <QSvgRenderer>
#include <QTest>

#include <algorithm>
#include <cstdlib>

namespace {

const QList<int> installedSides{16, 22, 24, 32, 48, 64, 128, 256};

QImage renderSvg(const QByteArray& svg, int side)
{
    QSvgRenderer renderer(svg);
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(0, 0, side, side));
    return image;
}

int channelDistance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b)),
                     std::abs(qAlpha(a) - qAlpha(b))});
}

// Pixels whose channels differ by more than a quarter of their range: a
// shifted or rescaled shape shows up as whole rows of them, antialiasing
// differences do not.
int differingPixels(const QImage& a, const QImage& b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            count += channelDistance(a.pixel(x, y), b.pixel(x, y)) > 64 ? 1 : 0;
    return count;
}

bool near(QRgb pixel, const QColor& color)
{
    return channelDistance(pixel, color.rgba()) <= 24;
}

QString describe(QRgb pixel)
{
    return QStringLiteral("#%1").arg(pixel, 8, 16, QLatin1Char('0'));
}

void addSideRows()
{
    QTest::addColumn<int>("side");
    for (int side : installedSides)
        QTest::newRow(qPrintable(QStringLiteral("%1 px").arg(side))) << side;
}

} // namespace

class TestAppIcon : public QObject
{
    Q_OBJECT

private slots:
    void scalableIsValid()
    {
        QSvgRenderer renderer(AppIcon::svg());
        QVERIFY(renderer.isValid());
        QCOMPARE(renderer.viewBoxF(), QRectF(0, 0, AppIcon::designSize, AppIcon::designSize));
    }

    // The SVG is written from the glyph's path, the PNGs are painted by the
    // glyph's drawing code: rendered at the same size they must agree, or the
    // path was placed, flipped or scaled differently.
    void scalableMatchesPixels_data() { addSideRows(); }
    void scalableMatchesPixels()
    {
        QFETCH(int, side);
        const QImage pixels = AppIcon::image(side);
        const QImage scalable = renderSvg(AppIcon::svg(), side);
        const int differing = differingPixels(pixels, scalable);
        QVERIFY2(differing <= side * side / 200,
                 qPrintable(QStringLiteral("%1 of %2 pixels differ").arg(differing).arg(side * side)));
    }

    // The glyph sits in the tile's centre: mirrored either way, the icon
    // is the same picture.
    void glyphIsCentred_data() { addSideRows(); }
    void glyphIsCentred()
    {
        QFETCH(int, side);
        const QImage icon = AppIcon::image(side);
        QCOMPARE(differingPixels(icon, icon.mirrored(true, false)), 0);
        QCOMPARE(differingPixels(icon, icon.mirrored(false, true)), 0);
    }

    // A rounded orange tile with the glyph's disc at its centre and tile
    // between the rays, at every installed size.
    void layout_data() { addSideRows(); }
    void layout()
    {
        QFETCH(int, side);
        const QImage icon = AppIcon::image(side);
        QCOMPARE(icon.size(), QSize(side, side));
        QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(icon.pixel(side - 1, side - 1)), 0);
        const QRgb edge = icon.pixel(side / 2, 0);
        QVERIFY2(near(edge, AppIcon::tileColor()), qPrintable(describe(edge)));
        const QRgb centre = icon.pixel(side / 2, side / 2);
        QVERIFY2(near(centre, AppIcon::glyphColor()), qPrintable(describe(centre)));
        // Halfway between the right-pointing ray and the one above it, seven
        // points out from the centre.
        const QRgb between = icon.pixel(qRound(side * 16.5 / 20), qRound(side * 7.3 / 20));
        QVERIFY2(near(between, AppIcon::tileColor()), qPrintable(describe(between)));
    }
};

QTEST_MAIN(TestAppIcon)
#include "tst_appicon.moc"
