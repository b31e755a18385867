#include "app/MenuBarIcon.h"

#include <QTest>
#include <QTransform>

class TestMenuBarIcon : public QObject
{
    Q_OBJECT

private slots:
    // The design's vertices (x, y with y up) of the downward ray; each next
    // ray is the one before turned 45° counter-clockwise about the centre.
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

    // As an image at a device pixel ratio, or fitted to an icon's square as
    // the status items draw it: nothing in the one-point margin, ray tips
    // reaching it, a solid centre, and the same pixels every time.
    void rendering_data()
    {
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<int>("iconSide"); // 0: MenuBarIcon::image()
        QTest::newRow("1x") << qreal(1) << 0;
        QTest::newRow("2x") << qreal(2) << 0;
        QTest::newRow("icon, 22 px") << qreal(1) << 22;
        QTest::newRow("icon, 44 px") << qreal(1) << 44;
    }

    void rendering()
    {
        QFETCH(qreal, ratio);
        QFETCH(int, iconSide);
        const auto render = [&] {
            return iconSide ? MenuBarIcon::create(Qt::black).pixmap(QSize(iconSide, iconSide), 1.0).toImage()
                            : MenuBarIcon::image(ratio, Qt::black);
        };
        const QImage glyph = render();
        const int side = iconSide ? iconSide : static_cast<int>(18 * ratio);
        const int margin = side / 18;
        QCOMPARE(glyph.size(), QSize(side, side));
        QRect ink;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                ink |= qAlpha(glyph.pixel(x, y)) > 0 ? QRect(x, y, 1, 1) : QRect();
        QCOMPARE(ink, QRect(margin, margin, side - 2 * margin, side - 2 * margin));
        QCOMPARE(qAlpha(glyph.pixel(side / 2, side / 2)), 255);
        QCOMPARE(render(), glyph);
    }
};

QTEST_MAIN(TestMenuBarIcon)
#include "tst_menubaricon.moc"
