#include "icons/AppIcon.h"

#include <QPainter>
#include <QSvgRenderer>
#include <QTest>

class TestAppIcon : public QObject
{
    Q_OBJECT

private slots:
    void icon_data()
    {
        QTest::addColumn<int>("side");
        for (int side : {16, 22, 24, 32, 48, 64, 128, 256})
            QTest::addRow("%d px", side) << side;
    }

    // The glyph's disc at the tile's centre. The SVG is written from the
    // glyph's path, the PNGs are painted by its drawing code: they must agree,
    // or the path was placed, flipped or scaled differently. A shifted or
    // rescaled shape gives whole rows of pixels a quarter of the grey range
    // apart; antialiasing does not.
    void icon()
    {
        QFETCH(int, side);
        const QImage icon = AppIcon::image(side);
        QCOMPARE(icon.pixelColor(side / 2, side / 2), AppIcon::glyphColor());
        QImage scalable(side, side, QImage::Format_ARGB32_Premultiplied);
        scalable.fill(Qt::transparent);
        QPainter painter(&scalable);
        QSvgRenderer(AppIcon::svg()).render(&painter, QRectF(0, 0, side, side));
        int differing = 0;
        for (int i = 0; i < side * side; ++i)
            differing += std::abs(qGray(icon.pixel(i % side, i / side)) - qGray(scalable.pixel(i % side, i / side))) > 64;
        QVERIFY2(differing <= side * side / 200, QByteArray::number(differing) + " pixels differ");
    }
};

QTEST_MAIN(TestAppIcon)
#include "tst_appicon.moc"
