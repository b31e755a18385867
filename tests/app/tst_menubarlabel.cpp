#include "app/MenuBarLabel.h"

#include <QFont>
#include <QGuiApplication>
#include <QTest>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

class TestMenuBarLabel : public QObject
{
    Q_OBJECT

private slots:
    void emptyLabelIsTheGlyphAlone()
    {
        const auto layout = MenuBarLabel(QString()).layout(QGuiApplication::font(), 22);
        QCOMPARE(layout.size, QSizeF(18, 22));
        QCOMPARE(layout.glyph, QRectF(0, 2, 18, 18));
        QVERIFY(layout.text.isEmpty());
        const QImage image = MenuBarLabel(QString()).render(QGuiApplication::font(), Qt::black, 22, 2);
        QCOMPARE(image.size(), QSize(36, 44));
    }

    void textFollowsAfterFourPoints()
    {
        const QFont font = QGuiApplication::font();
        const auto layout = MenuBarLabel(u"42%"_s).layout(font, 22);
        QCOMPARE(layout.text.left(), 18.0 + 4.0);
        QCOMPARE(layout.digitCells.size(), 2);
        QVERIFY(layout.size.width() > 22);
        QVERIFY(layout.text.top() >= 0 && layout.text.bottom() <= 22);
    }

    // Every digit takes the same room, so the label keeps its width as the
    // figures change.
    void digitsAreTabular_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::newRow("ones and eights") << u"11% \u00B7 1 hr 1 min"_s << u"88% \u00B7 8 hr 8 min"_s;
        QTest::newRow("percent alone") << u"7%"_s << u"0%"_s;
    }

    void digitsAreTabular()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFont font(u"DejaVu Sans"_s, 10); // a font whose 1 is narrower than its 8
        const auto first = MenuBarLabel(a).layout(font, 22);
        const auto second = MenuBarLabel(b).layout(font, 22);
        QCOMPARE(first.size.width(), second.size.width());
        for (const QRectF& cell : first.digitCells)
            QCOMPARE(cell.width(), first.digitCells.first().width());
    }

    void rendersTheWholeLabel()
    {
        const QFont font = QGuiApplication::font();
        const MenuBarLabel label(u"42% \u00B7 2 hr 5 min"_s);
        const auto layout = label.layout(font, 22);
        const QImage image = label.render(font, Qt::black, 22, 2);
        QCOMPARE(image.size(), QSize(static_cast<int>(std::ceil(layout.size.width() * 2)), 44));
        // Ink in the text area, none in the 4-point gap after the glyph.
        int textInk = 0;
        int gapInk = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const int alpha = qAlpha(image.pixel(x, y));
                if (x >= 36 && x < 44)
                    gapInk += alpha;
                else if (x >= 44)
                    textInk += alpha;
            }
        }
        QCOMPARE(gapInk, 0);
        QVERIFY(textInk > 0);
    }
};

QTEST_MAIN(TestMenuBarLabel)
#include "tst_menubarlabel.moc"
