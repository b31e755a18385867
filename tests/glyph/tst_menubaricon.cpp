#include "glyph/MenuBarIcon.h"
#include "glyph/StatusIconRenderer.h"

#include <QTest>
#include <QTransform>

class TestMenuBarIcon : public QObject
{
    Q_OBJECT

private slots:
    // The vertices (x, y with y up) of the downward ray on the 18-point
    // square; each next ray is the one before turned 45° counter-clockwise
    // about the centre.
    void vertexTable()
    {
        const MenuBarIcon::Ray down{{{10.0, 6.8}, {9.2, 1.0}, {8.8, 1.0}, {8.0, 6.8}}};
        const auto rays = MenuBarIcon::rays(QRectF(0, 0, 18, 18));
        QTransform turn;
        for (int i = 0; i < 8; ++i) {
            for (int k = 0; k < 4; ++k) {
                const QPointF error = rays[i][k] - turn.map(down[k]);
                QVERIFY2(error.manhattanLength() < 1e-9, qPrintable(QStringLiteral("ray %1, P%2").arg(i).arg(k)));
            }
            turn = turn * QTransform().translate(-9, -9) * QTransform().rotate(45) * QTransform().translate(9, 9);
        }
    }

    // The glyph as status areas get it, at the sizes hosts pick and at 2×:
    // nothing in the one-in-eighteen margin, ray tips reaching it, centred,
    // a solid centre, and only the ink colour where it is opaque.
    void statusIcon_data()
    {
        QTest::addColumn<int>("side");
        QTest::addColumn<qreal>("ratio");
        for (const int side : {16, 22, 24, 44})
            QTest::addRow("%d px", side) << side << qreal(1);
        QTest::newRow("22 px at 2x") << 22 << qreal(2);
    }

    void statusIcon()
    {
        QFETCH(int, side);
        QFETCH(qreal, ratio);
        const QColor ink(0x12, 0x80, 0xf0);
        const QImage icon = StatusIconRenderer::render({side, ratio, std::nullopt, ink});
        const int pixels = qRound(side * ratio);
        QCOMPARE(icon.size(), QSize(pixels, pixels));
        QCOMPARE(icon.devicePixelRatio(), ratio);

        QRect inked;
        for (int y = 0; y < pixels; ++y) {
            for (int x = 0; x < pixels; ++x) {
                const QRgb pixel = icon.pixel(x, y);
                if (qAlpha(pixel) > 0)
                    inked |= QRect(x, y, 1, 1);
                if (qAlpha(pixel) == 255)
                    QCOMPARE(QColor::fromRgba(pixel), ink);
            }
        }
        const int margin = pixels / 18;
        QCOMPARE(inked, QRect(margin, margin, pixels - 2 * margin, pixels - 2 * margin));
        QCOMPARE(qAlpha(icon.pixel(pixels / 2, pixels / 2)), 255);
        QCOMPARE(qAlpha(icon.pixel(pixels / 2 - 1, pixels / 2 - 1)), 255);
    }
};

QTEST_MAIN(TestMenuBarIcon)
#include "tst_menubaricon.moc"
