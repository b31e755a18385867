#include "app/MenuBarIcon.h"

#include <QIcon>
#include <QPalette>
#include <QTest>
#include <QTransform>

#include <cmath>

using Ray = MenuBarIcon::Ray;
Q_DECLARE_METATYPE(Ray)

namespace {

const QRectF design(0, 0, 18, 18);

bool near(const QPointF& a, const QPointF& b, double tolerance = 1e-3)
{
    return std::abs(a.x() - b.x()) < tolerance && std::abs(a.y() - b.y()) < tolerance;
}

// Largest alpha in a column or row of pixels.
int maxAlphaInColumn(const QImage& image, int x)
{
    int alpha = 0;
    for (int y = 0; y < image.height(); ++y)
        alpha = std::max(alpha, qAlpha(image.pixel(x, y)));
    return alpha;
}

int maxAlphaInRow(const QImage& image, int y)
{
    int alpha = 0;
    for (int x = 0; x < image.width(); ++x)
        alpha = std::max(alpha, qAlpha(image.pixel(x, y)));
    return alpha;
}

} // namespace

class TestMenuBarIcon : public QObject
{
    Q_OBJECT

private slots:
    // The design's vertex table (x, y with y up), to three decimals.
    void vertexTable_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<Ray>("expected");
        QTest::newRow("0 down") << 0 << Ray{{{10.000, 6.800}, {9.200, 1.000}, {8.800, 1.000}, {8.000, 6.800}}};
        QTest::newRow("1 down-right") << 1
                                      << Ray{{{11.263, 8.151}, {14.798, 3.485}, {14.515, 3.202}, {9.849, 6.737}}};
        QTest::newRow("2 right") << 2 << Ray{{{11.200, 10.000}, {17.000, 9.200}, {17.000, 8.800}, {11.200, 8.000}}};
        QTest::newRow("3 up-right") << 3
                                    << Ray{{{9.849, 11.263}, {14.515, 14.798}, {14.798, 14.515}, {11.263, 9.849}}};
        QTest::newRow("4 up") << 4 << Ray{{{8.000, 11.200}, {8.800, 17.000}, {9.200, 17.000}, {10.000, 11.200}}};
        QTest::newRow("5 up-left") << 5 << Ray{{{6.737, 9.849}, {3.202, 14.515}, {3.485, 14.798}, {8.151, 11.263}}};
        QTest::newRow("6 left") << 6 << Ray{{{6.800, 8.000}, {1.000, 8.800}, {1.000, 9.200}, {6.800, 10.000}}};
        QTest::newRow("7 down-left") << 7 << Ray{{{8.151, 6.737}, {3.485, 3.202}, {3.202, 3.485}, {6.737, 8.151}}};
    }

    void vertexTable()
    {
        QFETCH(int, index);
        QFETCH(Ray, expected);
        const Ray ray = MenuBarIcon::rays(design)[index];
        for (int k = 0; k < 4; ++k)
            QVERIFY2(near(ray[k], expected[k], 5e-4),
                     qPrintable(QStringLiteral("P%1 = (%2, %3)").arg(k).arg(ray[k].x()).arg(ray[k].y())));
    }

    void rotationalSymmetry()
    {
        const auto rays = MenuBarIcon::rays(design);
        QTransform turn;
        turn.translate(9, 9).rotate(45).translate(-9, -9); // counter-clockwise with y up
        for (int i = 0; i < 8; ++i) {
            for (int k = 0; k < 4; ++k)
                QVERIFY(near(turn.map(rays[i][k]), rays[(i + 1) % 8][k], 1e-9));
        }
        // The rendered glyph looks the same turned by a quarter.
        const QImage glyph = MenuBarIcon::image(2, Qt::black);
        const QImage turned = glyph.transformed(QTransform().rotate(90));
        QCOMPARE(turned.size(), glyph.size());
        int worst = 0;
        for (int y = 0; y < glyph.height(); ++y) {
            for (int x = 0; x < glyph.width(); ++x)
                worst = std::max(worst, std::abs(qAlpha(glyph.pixel(x, y)) - qAlpha(turned.pixel(x, y))));
        }
        QVERIFY2(worst <= 8, qPrintable(QString::number(worst)));
    }

    // Nothing outside 1..17 points; the ray tips reach that margin.
    void margins_data()
    {
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("1x") << qreal(1);
        QTest::newRow("2x") << qreal(2);
        QTest::newRow("3x") << qreal(3);
    }

    void margins()
    {
        QFETCH(qreal, ratio);
        const QImage glyph = MenuBarIcon::image(ratio, Qt::black);
        const int side = static_cast<int>(18 * ratio);
        QCOMPARE(glyph.size(), QSize(side, side));
        QCOMPARE(glyph.devicePixelRatio(), ratio);
        const int margin = static_cast<int>(ratio); // one point
        for (int i = 0; i < margin; ++i) {
            QCOMPARE(maxAlphaInColumn(glyph, i), 0);
            QCOMPARE(maxAlphaInColumn(glyph, side - 1 - i), 0);
            QCOMPARE(maxAlphaInRow(glyph, i), 0);
            QCOMPARE(maxAlphaInRow(glyph, side - 1 - i), 0);
        }
        QVERIFY(maxAlphaInColumn(glyph, margin) > 0);
        QVERIFY(maxAlphaInColumn(glyph, side - 1 - margin) > 0);
        QVERIFY(maxAlphaInRow(glyph, margin) > 0);
        QVERIFY(maxAlphaInRow(glyph, side - 1 - margin) > 0);
        // Solid in the centre disc, empty in the gap between disc and ray.
        QCOMPARE(qAlpha(glyph.pixel(side / 2, side / 2)), 255);
    }

    void rendersIdentically()
    {
        QCOMPARE(MenuBarIcon::image(2, Qt::black), MenuBarIcon::image(2, Qt::black));
        const QIcon icon = MenuBarIcon::create(Qt::white);
        QCOMPARE(icon.pixmap(QSize(22, 22), 1.0).toImage(), icon.pixmap(QSize(22, 22), 1.0).toImage());
    }

    // Another rectangle: rays keep their lengths and stay centred.
    void otherRectangle()
    {
        const auto rays = MenuBarIcon::rays(QRectF(0, 0, 30, 24));
        QVERIFY(near(rays[2][1], QPointF(23, 12.2)));
        QVERIFY(near(rays[0][1], QPointF(15.2, 4)));
    }

    // The icon fills whatever square the host asks for, drawn at that size.
    void iconScalesToTheRequest_data()
    {
        QTest::addColumn<int>("pixels");
        QTest::newRow("16") << 16;
        QTest::newRow("22") << 22;
        QTest::newRow("44") << 44;
        QTest::newRow("64") << 64;
    }

    void iconScalesToTheRequest()
    {
        QFETCH(int, pixels);
        const QImage image = MenuBarIcon::create(Qt::black).pixmap(QSize(pixels, pixels), 1.0).toImage();
        QCOMPARE(image.size(), QSize(pixels, pixels));
        const int margin = pixels / 18; // whole pixels inside the one-point margin
        for (int i = 0; i < margin; ++i)
            QCOMPARE(maxAlphaInColumn(image, i), 0);
        QVERIFY(maxAlphaInColumn(image, static_cast<int>(std::ceil(pixels / 18.0))) > 0);
        QVERIFY(MenuBarIcon::create(Qt::black).availableSizes().contains(QSize(pixels, pixels)));
    }

    void colourContrastsWithThePalette_data()
    {
        QTest::addColumn<QColor>("window");
        QTest::newRow("light panel") << QColor(0xf0, 0xf0, 0xf0);
        QTest::newRow("dark panel") << QColor(0x20, 0x20, 0x24);
        QTest::newRow("gray, a little light") << QColor(0x90, 0x90, 0x90);
        QTest::newRow("gray, a little dark") << QColor(0x70, 0x70, 0x70);
    }

    void colourContrastsWithThePalette()
    {
        QFETCH(QColor, window);
        QPalette palette;
        palette.setColor(QPalette::Window, window);
        const QColor glyph = MenuBarIcon::colorFor(palette);
        QVERIFY(std::abs(glyph.lightness() - window.lightness()) >= 100);
    }
};

QTEST_MAIN(TestMenuBarIcon)
#include "tst_menubaricon.moc"
