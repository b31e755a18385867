#include "app/PanelPlacement.h"

#include <QTest>

using PanelPlacement::Platform;
using Screens = QList<PanelPlacement::Screen>;
Q_DECLARE_METATYPE(Screens)
Q_DECLARE_METATYPE(PanelPlacement::Platform)

namespace {

const QRect full(0, 0, 1280, 800);

Screens one(const QRect& available)
{
    return {{full, available}};
}

} // namespace

class TestPanelPlacement : public QObject
{
    Q_OBJECT

private slots:
    void place_data()
    {
        QTest::addColumn<QRect>("anchor"); // null: none
        QTest::addColumn<Screens>("screens");
        QTest::addColumn<QSize>("panel");
        QTest::addColumn<Platform>("platform");
        QTest::addColumn<bool>("positioned");
        QTest::addColumn<QPoint>("topLeft");

        const QSize panel(340, 600);
        QTest::newRow("top bar, item at the right end")
            << QRect(1257, 1, 22, 22) << one(QRect(0, 30, 1280, 770)) << panel << Platform::X11 << true
            << QPoint(940, 30);
        QTest::newRow("top bar, item mid-screen: centred under it")
            << QRect(600, 4, 22, 22) << one(QRect(0, 30, 1280, 770)) << panel << Platform::X11 << true
            << QPoint(440, 30);
        QTest::newRow("bottom bar: above the item")
            << QRect(1200, 770, 22, 22) << one(QRect(0, 0, 1280, 760)) << QSize(340, 500) << Platform::X11 << true
            << QPoint(940, 260);
        QTest::newRow("left bar: beside the item")
            << QRect(10, 300, 28, 28) << one(QRect(48, 0, 1232, 800)) << QSize(340, 400) << Platform::X11 << true
            << QPoint(48, 113);
        QTest::newRow("right bar, low item: clamped to the bottom")
            << QRect(1240, 700, 28, 28) << one(QRect(0, 0, 1232, 800)) << QSize(340, 400) << Platform::X11 << true
            << QPoint(892, 400);
        QTest::newRow("item in the top-left corner: clamped to the left")
            << QRect(0, 0, 22, 22) << one(QRect(0, 24, 1280, 776)) << panel << Platform::X11 << true
            << QPoint(0, 26);
        QTest::newRow("no reserved room: keep a bar height clear at the top")
            << QRect(1257, 1, 22, 22) << one(full) << panel << Platform::X11 << true << QPoint(940, 40);
        QTest::newRow("no reserved room, click in the top-right corner, nearer the side")
            << QRect(1265, 15, 1, 1) << one(full) << panel << Platform::X11 << true << QPoint(940, 40);
        QTest::newRow("no reserved room, click in the bottom-left corner, nearer the side")
            << QRect(3, 790, 1, 1) << one(full) << QSize(340, 500) << Platform::X11 << true << QPoint(0, 260);
        QTest::newRow("no reserved room, item half-way down the right side: a side bar")
            << QRect(1262, 400, 16, 16) << one(full) << QSize(340, 500) << Platform::X11 << true << QPoint(900, 157);
        QTest::newRow("no reserved room, click at the bottom")
            << QRect(640, 795, 1, 1) << one(full) << QSize(340, 500) << Platform::X11 << true << QPoint(470, 260);
        QTest::newRow("no reserved room, deep item keeps its own reach")
            << QRect(1200, 0, 48, 48) << one(full) << panel << Platform::Other << true << QPoint(940, 52);
        QTest::newRow("two screens: the item's screen")
            << QRect(3100, 4, 24, 24)
            << Screens{{full, QRect(0, 30, 1280, 770)}, {QRect(1280, 0, 1920, 1080), QRect(1280, 32, 1920, 1048)}}
            << panel << Platform::X11 << true << QPoint(2860, 32);
        QTest::newRow("screen left of the primary, negative coordinates")
            << QRect(-30, 2, 24, 24)
            << Screens{{full, QRect(0, 30, 1280, 770)}, {QRect(-1920, 0, 1920, 1080), QRect(-1920, 30, 1920, 1050)}}
            << panel << Platform::X11 << true << QPoint(-340, 30);
        QTest::newRow("item on no screen: primary's top-right")
            << QRect(5000, 5000, 1, 1) << one(QRect(0, 30, 1280, 770)) << panel << Platform::X11 << true
            << QPoint(940, 30);
        QTest::newRow("no anchor: primary's top-right")
            << QRect() << one(QRect(0, 30, 1280, 770)) << panel << Platform::X11 << true << QPoint(940, 30);
        QTest::newRow("panel taller than the area: starts at its top")
            << QRect(1257, 1, 22, 22) << one(QRect(0, 30, 1280, 770)) << QSize(340, 900) << Platform::X11 << true
            << QPoint(940, 30);
        QTest::newRow("Wayland: the compositor decides")
            << QRect(1257, 1, 22, 22) << one(QRect(0, 30, 1280, 770)) << panel << Platform::Wayland << false
            << QPoint();
        QTest::newRow("no screens: the window manager decides")
            << QRect(1257, 1, 22, 22) << Screens{} << panel << Platform::X11 << false << QPoint();
    }

    void place()
    {
        QFETCH(QRect, anchor);
        QFETCH(Screens, screens);
        QFETCH(QSize, panel);
        QFETCH(Platform, platform);
        QFETCH(bool, positioned);
        QFETCH(QPoint, topLeft);

        PanelPlacement::Input input;
        if (!anchor.isNull())
            input.anchor = anchor;
        input.screens = screens;
        input.panelSize = panel;
        input.platform = platform;
        const std::optional<QPoint> result = PanelPlacement::place(input);
        QCOMPARE(result.has_value(), positioned);
        if (positioned)
            QCOMPARE(*result, topLeft);
    }

    void clickPoint_data()
    {
        QTest::addColumn<QPoint>("reported"); // null: the host sent 0,0
        QTest::addColumn<QPoint>("pointer");  // null: none (Wayland)
        QTest::addColumn<Screens>("screens");
        QTest::addColumn<QPoint>("expected"); // null: no anchor at all

        const Screens plain = one(QRect(0, 30, 1280, 770));
        const Screens doubled{{QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1080), 2.0}};
        const Screens mixed{{full, full, 1.0}, {QRect(1280, 0, 1280, 720), QRect(1280, 0, 1280, 720), 1.5}};
        const QPoint pointer(1200, 12);

        QTest::newRow("root coordinates on the screen: as sent")
            << QPoint(1265, 15) << pointer << plain << QPoint(1265, 15);
        QTest::newRow("as sent even far from the pointer (XWayland's is stale)")
            << QPoint(40, 15) << pointer << plain << QPoint(40, 15);
        QTest::newRow("no position: the pointer") << QPoint() << pointer << plain << pointer;
        QTest::newRow("no position, no pointer: nothing") << QPoint() << QPoint() << plain << QPoint();
        QTest::newRow("on no screen: the pointer") << QPoint(5000, 4000) << pointer << plain << pointer;
        QTest::newRow("on no screen, no pointer: nothing") << QPoint(5000, 4000) << QPoint() << plain << QPoint();
        QTest::newRow("device pixels past a 2x screen's logical width")
            << QPoint(3800, 20) << QPoint(1900, 10) << doubled << QPoint(1900, 10);
        QTest::newRow("device pixels of a 2x screen, no pointer")
            << QPoint(3800, 2100) << QPoint() << doubled << QPoint(1900, 1050);
        QTest::newRow("device pixels of the 1.5x screen right of the primary")
            << QPoint(1280 + 1800, 30) << QPoint() << mixed << QPoint(1280 + 1200, 20);
        QTest::newRow("past the 1.5x screen even in device pixels: the pointer")
            << QPoint(1280 + 1920, 30) << QPoint(1300, 5) << mixed << QPoint(1300, 5);
        QTest::newRow("both readings fit: the one at the pointer (device pixels)")
            << QPoint(1000, 20) << QPoint(502, 11) << doubled << QPoint(500, 10);
        QTest::newRow("both readings fit: the one at the pointer (as sent)")
            << QPoint(1000, 20) << QPoint(998, 19) << doubled << QPoint(1000, 20);
        QTest::newRow("both readings fit, no pointer: as sent")
            << QPoint(1000, 20) << QPoint() << doubled << QPoint(1000, 20);
        QTest::newRow("screen left of the primary, negative coordinates")
            << QPoint(-30, 5) << QPoint()
            << Screens{{full, full, 1.0}, {QRect(-1920, 0, 1920, 1080), QRect(-1920, 0, 1920, 1080), 1.0}}
            << QPoint(-30, 5);
        QTest::newRow("no screens: the pointer") << QPoint(100, 5) << pointer << Screens{} << pointer;
    }

    void clickPoint()
    {
        QFETCH(QPoint, reported);
        QFETCH(QPoint, pointer);
        QFETCH(Screens, screens);
        QFETCH(QPoint, expected);
        const std::optional<QPoint> given = pointer.isNull() ? std::nullopt : std::optional<QPoint>(pointer);
        const std::optional<QPoint> result = PanelPlacement::clickPoint(reported, given, screens);
        QCOMPARE(result.has_value(), !expected.isNull());
        if (result)
            QCOMPARE(*result, expected);
    }
};

QTEST_MAIN(TestPanelPlacement)
#include "tst_panelplacement.moc"
