#include "views/SummaryFooter.h"
#include "views/SymbolView.h"

#include "ViewTexts.h"

#include <QLocale>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestSummaryFooter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void texts_data()
    {
        QTest::addColumn<qint64>("sessions");
        QTest::addColumn<qint64>("messages");
        QTest::addColumn<QString>("since"); // null: absent
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("sessions never grouped or shortened")
            << 1234LL << 56789LL << QString() << QStringList{u"1234 sessions"_s, u"56.8K messages"_s};
        QTest::newRow("no singular") << 1LL << 1LL << QString() << QStringList{u"1 sessions"_s, u"1 messages"_s};
        QTest::newRow("millions") << 123456789LL << 2500000LL << QString()
                                  << QStringList{u"123456789 sessions"_s, u"2.5M messages"_s};
        QTest::newRow("grouped small message count") << 5LL << 9999LL << QString()
                                                     << QStringList{u"5 sessions"_s, u"9,999 messages"_s};
        QTest::newRow("member since")
            << 3LL << 4LL << u"Jan 5, 2025"_s
            << QStringList{u"3 sessions"_s, u"4 messages"_s, u"Using Claude Code since Jan 5, 2025"_s};
    }

    void texts()
    {
        QFETCH(qint64, sessions);
        QFETCH(qint64, messages);
        QFETCH(QString, since);
        QFETCH(QStringList, expected);
        SummaryFooter footer;
        footer.setValues(sessions, messages, since.isNull() ? std::nullopt : std::optional<QString>(since));
        QCOMPARE(ViewTexts::visible(&footer), expected);
    }

    // The since-line goes away entirely and takes no room.
    void sinceLineTakesNoRoomWhenAbsent()
    {
        SummaryFooter footer;
        footer.setValues(1, 1, u"Jan 5, 2025"_s);
        const int withLine = footer.sizeHint().height();
        footer.setValues(1, 1, std::nullopt);
        QVERIFY(footer.sizeHint().height() < withLine);
        QCOMPARE(footer.findChild<SymbolView*>(u"sessionsIcon"_s)->symbol(), Symbols::Symbol::RectangleStack);
        QCOMPARE(footer.findChild<SymbolView*>(u"messagesIcon"_s)->symbol(), Symbols::Symbol::TextBubble);
    }
};

QTEST_MAIN(TestSummaryFooter)
#include "tst_summaryfooter.moc"
