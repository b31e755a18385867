// Runs in the C, US English and German locales (see CMakeLists.txt).
#include "model/TokenFormatter.h"

#include <QLocale>
#include <QTest>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {
// Grouped text for the counts below 10,000, per locale under test.
QString grouped(const QString& en, const QString& de, const QString& c)
{
    const QString language = QLocale().name().left(2);
    return language == u"de"_s ? de : language == u"en"_s ? en : c;
}
} // namespace

class TestTokenFormatter : public QObject
{
    Q_OBJECT

private slots:
    void germanSessionReallyUsesDecimalCommas()
    {
        // Guards the test itself: in the German run the C library must print
        // a comma, or the checks below prove nothing about that trap.
        if (!qEnvironmentVariable("LC_ALL").startsWith(u"de_DE"_s))
            QSKIP("not the German run");
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%.1f", 42.5);
        QCOMPARE(QByteArray(buffer), QByteArray("42,5"));
    }

    void format_data()
    {
        QTest::addColumn<qint64>("n");
        QTest::addColumn<QString>("text");
        QTest::newRow("999") << qint64(999) << u"999"_s;
        QTest::newRow("1000") << qint64(1000) << u"1.0K"_s;
        QTest::newRow("1250 ties to even") << qint64(1250) << u"1.2K"_s;
        QTest::newRow("1350") << qint64(1350) << u"1.4K"_s;
        QTest::newRow("1450 is just below the tie as a double") << qint64(1450) << u"1.4K"_s;
        QTest::newRow("999999") << qint64(999999) << u"1000.0K"_s;
        QTest::newRow("1000000") << qint64(1000000) << u"1.0M"_s;
        QTest::newRow("1234567") << qint64(1234567) << u"1.2M"_s;
        QTest::newRow("3250000 ties to even") << qint64(3250000) << u"3.2M"_s;
        QTest::newRow("1500000000") << qint64(1500000000) << u"1.5B"_s;
        QTest::newRow("int64 max") << std::numeric_limits<qint64>::max() << u"9223372036.9B"_s;
        QTest::newRow("0") << qint64(0) << u"0"_s;
        QTest::newRow("-5000 unscaled, ungrouped") << qint64(-5000) << u"-5000"_s;
    }

    void format()
    {
        QFETCH(qint64, n);
        QFETCH(QString, text);
        QCOMPARE(TokenFormatter::format(n), text);
    }

    void formatCount_data()
    {
        QTest::addColumn<qint64>("n");
        QTest::addColumn<QString>("text");
        QTest::newRow("9999 grouped") << qint64(9999) << grouped(u"9,999"_s, u"9.999"_s, u"9,999"_s);
        QTest::newRow("1234 grouped") << qint64(1234) << grouped(u"1,234"_s, u"1.234"_s, u"1,234"_s);
        QTest::newRow("-20000 grouped, unscaled") << qint64(-20000) << grouped(u"-20,000"_s, u"-20.000"_s, u"-20,000"_s);
        QTest::newRow("10000") << qint64(10000) << u"10.0K"_s;
        QTest::newRow("56789") << qint64(56789) << u"56.8K"_s;
        QTest::newRow("999999") << qint64(999999) << u"1000.0K"_s;
        QTest::newRow("2500000") << qint64(2500000) << u"2.5M"_s;
        QTest::newRow("one billion has no B") << qint64(1000000000) << u"1000.0M"_s;
        QTest::newRow("0") << qint64(0) << u"0"_s;
    }

    void formatCount()
    {
        QFETCH(qint64, n);
        QFETCH(QString, text);
        QCOMPARE(TokenFormatter::formatCount(n), text);
    }
};

QTEST_GUILESS_MAIN(TestTokenFormatter)
#include "tst_tokenformatter.moc"
