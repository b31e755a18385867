#include "glyph/MenuBarLabel.h"

#include <QTest>

#include <numeric>

using namespace Qt::Literals::StringLiterals;

class TestMenuBarLabel : public QObject
{
    Q_OBJECT

    const QFont font{u"DejaVu Sans"_s, 10};

private slots:
    void emptyLabelIsTheGlyphAlone()
    {
        const MenuBarLabel label{QString()};
        QCOMPARE(label.layout(font, 22).glyph, QRectF(0, 2, 18, 18));
        QCOMPARE(label.render(font, Qt::black, 22, 2).size(), QSize(36, 44));
    }

    // The glyph, 4 points of nothing, then the text.
    void textFollowsAfterFourPoints()
    {
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

QTEST_MAIN(TestMenuBarLabel)
#include "tst_menubarlabel.moc"
