#include "app/PanelPlacement.h"

#include <QTest>

using PanelPlacement::Platform;
Q_DECLARE_METATYPE(PanelPlacement::Platform)

namespace {

const QRect full(0, 0, 1280, 800);
// A second screen right of the primary, at twice its pixel density.
const PanelPlacement::Screen doubled{QRect(1280, 0, 1920, 1080), QRect(1280, 0, 1920, 1080), 2.0};

std::optional<QPoint> given(const QPoint& point)
{
    return point.isNull() ? std::nullopt : std::optional<QPoint>(point);
}

} // namespace

template<>
char* QTest::toString(const std::optional<QPoint>& point)
{
    return point ? QTest::toString(*point) : qstrdup("none");
}

class TestPanelPlacement : public QObject
{
    Q_OBJECT

private slots:
    // A 340 × 500 panel; the primary screen reserves room for bars as given
    // ("no room": none, so the bar is inferred from where the item is). The
    // tallest panel is the height of the area it may cover, less 8 at each end.
    void place_data()
    {
        QTest::addColumn<QRect>("anchor");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<Platform>("platform");
        QTest::addColumn<QPoint>("topLeft"); // null: not positioned
        QTest::addColumn<int>("maxHeight");

        const QRect top(0, 30, 1280, 770);
        const QRect corner(1257, 1, 22, 22);
        const auto x11 = Platform::X11;
        QTest::newRow("top bar: centred under the item")
            << QRect(600, 4, 22, 22) << top << x11 << QPoint(440, 30) << 754;
        QTest::newRow("bottom bar")
            << QRect(600, 770, 22, 22) << QRect(0, 0, 1280, 760) << x11 << QPoint(440, 260) << 744;
        QTest::newRow("left bar") << QRect(10, 300, 28, 28) << QRect(48, 0, 1232, 800) << x11 << QPoint(48, 63) << 784;
        QTest::newRow("right bar, item in the bottom corner: clamped")
            << QRect(1240, 760, 28, 28) << QRect(0, 0, 1232, 800) << x11 << QPoint(892, 300) << 784;
        QTest::newRow("no room reserved: a bar height kept clear") << corner << full << x11 << QPoint(940, 40) << 744;
        QTest::newRow("no room, bottom corner: bottom bar")
            << QRect(3, 790, 1, 1) << full << x11 << QPoint(0, 260) << 744;
        QTest::newRow("no room, right side: side bar")
            << QRect(1262, 400, 16, 16) << full << x11 << QPoint(900, 157) << 784;
        QTest::newRow("item on the second screen, 1080 high")
            << QRect(3100, 4, 24, 24) << top << x11 << QPoint(2860, 40) << 1024;
        QTest::newRow("anchor on no screen: the primary's top-right")
            << QRect(5000, 5000, 1, 1) << top << Platform::Other << QPoint(940, 30) << 754;
        QTest::newRow("Wayland: the compositor decides") << corner << top << Platform::Wayland << QPoint() << 754;
        QTest::newRow("Wayland, no room told: a bar height kept clear")
            << corner << full << Platform::Wayland << QPoint() << 744;
    }

    void place()
    {
        QFETCH(QRect, anchor);
        QFETCH(QRect, available);
        QFETCH(Platform, platform);
        QFETCH(QPoint, topLeft);
        QFETCH(int, maxHeight);
        const PanelPlacement::Input input{anchor, {{full, available}, doubled}, QSize(340, 500), platform};
        QCOMPARE(PanelPlacement::place(input), given(topLeft));
        QCOMPARE(PanelPlacement::maxHeight(input), std::optional<int>(maxHeight));
    }

    // Hosts report the click in logical pixels, or (Plasma on a scaled X11
    // screen) in device pixels, or not at all; XWayland's pointer is stale.
    // A point that fits as sent and divided is read nearer the pointer.
    void clickPoint_data()
    {
        QTest::addColumn<QPoint>("reported"); // null: the host sent 0,0
        QTest::addColumn<QPoint>("pointer");  // null: none (Wayland)
        QTest::addColumn<QPoint>("expected"); // null: no anchor at all

        const QPoint pointer(1200, 12);
        QTest::newRow("on a screen: as sent, not the pointer") << QPoint(400, 15) << pointer << QPoint(400, 15);
        QTest::newRow("near 0,0, pointer there: as sent") << QPoint(40, 15) << QPoint(44, 9) << QPoint(40, 15);
        QTest::newRow("near 0,0, pointer elsewhere: relative to the item") << QPoint(40, 15) << pointer << pointer;
        QTest::newRow("near 0,0, no pointer: nothing") << QPoint(40, 15) << QPoint() << QPoint();
        QTest::newRow("none: the pointer") << QPoint() << pointer << pointer;
        QTest::newRow("on no screen: the pointer") << QPoint(5000, 4000) << pointer << pointer;
        QTest::newRow("on no screen, no pointer: nothing") << QPoint(5000, 4000) << QPoint() << QPoint();
        QTest::newRow("2x screen's device pixels: divided") << QPoint(5080, 2100) << QPoint() << QPoint(3180, 1050);
        QTest::newRow("both readings fit: nearer one") << QPoint(2000, 20) << QPoint(1642, 11) << QPoint(1640, 10);
    }

    void clickPoint()
    {
        QFETCH(QPoint, reported);
        QFETCH(QPoint, pointer);
        QFETCH(QPoint, expected);
        const QList<PanelPlacement::Screen> screens{{full, full, 1.0}, doubled};
        QCOMPARE(PanelPlacement::clickPoint(reported, given(pointer), screens), given(expected));
    }
};

QTEST_MAIN(TestPanelPlacement)
#include "tst_panelplacement.moc"
