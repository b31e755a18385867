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
            QTest::newRow(qPrintable(QStringLiteral("%1 px").arg(side))) << side;
    }

    // The glyph's disc at the tile's centre. The SVG is written from the
    // glyph's path, the PNGs are painted by its drawing code: at one size they
    // must agree, or the path was placed, flipped or scaled differently.
    void icon()
    {
        QFETCH(int, side);
        const QImage icon = AppIcon::image(side);
        QCOMPARE(icon.pixelColor(side / 2, side / 2), AppIcon::glyphColor());
        QImage scalable(side, side, QImage::Format_ARGB32_Premultiplied);
        scalable.fill(Qt::transparent);
        QPainter painter(&scalable);
        QSvgRenderer(AppIcon::svg()).render(&painter, QRectF(0, 0, side, side));
        // Off by a quarter of the grey range: a shifted or rescaled shape
        // gives whole rows of such pixels, antialiasing does not.
        int differing = 0;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                differing += std::abs(qGray(icon.pixel(x, y)) - qGray(scalable.pixel(x, y))) > 64 ? 1 : 0;
        QVERIFY2(differing <= side * side / 200, qPrintable(QStringLiteral("%1 pixels differ").arg(differing)));
    }
};

QTEST_MAIN(TestAppIcon)
#include "tst_appicon.moc"
