#include "views/MetricTile.h"
#include "views/SymbolView.h"
#include "views/TodayCard.h"

#include "ViewTexts.h"

#include <QLocale>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestTodayCard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void texts_data()
    {
        QTest::addColumn<qint64>("tokens");
        QTest::addColumn<qint64>("messages");
        QTest::addColumn<qint64>("toolCalls");
        QTest::addColumn<QStringList>("values");

        QTest::newRow("nothing today") << 0LL << 0LL << 0LL << QStringList{u"0"_s, u"0"_s, u"0"_s};
        QTest::newRow("millions of tokens") << 1234567LL << 9999LL << 10000LL
                                            << QStringList{u"1.2M"_s, u"9,999"_s, u"10.0K"_s};
        QTest::newRow("just below a million") << 999999LL << 12LL << 3LL
                                              << QStringList{u"1000.0K"_s, u"12"_s, u"3"_s};
        QTest::newRow("negative figures are not scaled") << -5000LL << -20000LL << -1LL
                                                         << QStringList{u"-5000"_s, u"-20,000"_s, u"-1"_s};
    }

    void texts()
    {
        QFETCH(qint64, tokens);
        QFETCH(qint64, messages);
        QFETCH(qint64, toolCalls);
        QFETCH(QStringList, values);

        TodayCard card;
        card.setValues(tokens, messages, toolCalls);
        QCOMPARE(ViewTexts::visible(&card), (QStringList{u"Today"_s, values[0], u"Tokens"_s, values[1],
                                                         u"Messages"_s, values[2], u"Tool Calls"_s}));
    }

    // Three equal tiles fill the row, each with its own symbol and tint.
    void tilesShareTheRow()
    {
        TodayCard card;
        card.setValues(123456789012LL, 1, 1);
        card.resize(308, card.sizeHint().height());
        card.show();
        QVERIFY(QTest::qWaitForWindowExposed(&card));
        const QList<MetricTile*> tiles = card.findChildren<MetricTile*>();
        QCOMPARE(tiles.size(), 3);
        int widths = 0;
        for (const MetricTile* tile : tiles) {
            QVERIFY(qAbs(tile->width() - tiles.first()->width()) <= 1);
            widths += tile->width();
        }
        QCOMPARE(widths + 2 * 12, 308);
        QCOMPARE(card.findChild<MetricTile*>(u"tokens"_s)->findChild<SymbolView*>()->symbol(),
                 Symbols::Symbol::TextWordSpacing);
        QCOMPARE(card.findChild<MetricTile*>(u"messages"_s)->findChild<SymbolView*>()->symbol(),
                 Symbols::Symbol::Message);
        QCOMPARE(card.findChild<MetricTile*>(u"toolCalls"_s)->findChild<SymbolView*>()->symbol(),
                 Symbols::Symbol::Hammer);
    }
};

QTEST_MAIN(TestTodayCard)
#include "tst_todaycard.moc"
