#include "usage/RetryAfter.h"

#include <QTest>

using namespace std::chrono_literals;

class TestRetryAfter : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<qint64>("seconds"); // -1: not a usable value

        // The answer arrived at Mon, 02 Mar 2026 09:30:00 GMT.
        QTest::newRow("seconds") << QByteArray("990") << qint64(990);
        QTest::newRow("zero") << QByteArray("0") << qint64(0);
        QTest::newRow("padded") << QByteArray(" \t2988 ") << qint64(2988);
        QTest::newRow("leading zeros") << QByteArray("0042") << qint64(42);
        QTest::newRow("beyond 64 bits saturates") << QByteArray("99999999999999999999999") << (qint64(1) << 40);
        QTest::newRow("IMF-fixdate ahead") << QByteArray("Mon, 02 Mar 2026 09:47:30 GMT") << qint64(1050);
        QTest::newRow("RFC 850 ahead") << QByteArray("Monday, 02-Mar-26 09:31:00 GMT") << qint64(60);
        QTest::newRow("asctime ahead") << QByteArray("Mon Mar  2 10:30:00 2026") << qint64(3600);
        QTest::newRow("date this very second") << QByteArray("Mon, 02 Mar 2026 09:30:00 GMT") << qint64(0);
        QTest::newRow("date past") << QByteArray("Wed, 21 Oct 2015 07:28:00 GMT") << qint64(0);
        QTest::newRow("negative") << QByteArray("-5") << qint64(-1);
        QTest::newRow("fraction") << QByteArray("1.5") << qint64(-1);
        QTest::newRow("words") << QByteArray("later") << qint64(-1);
        QTest::newRow("empty") << QByteArray("") << qint64(-1);
    }

    void parse()
    {
        QFETCH(QByteArray, value);
        QFETCH(qint64, seconds);
        const QDateTime arrived(QDate(2026, 3, 2), QTime(9, 30), Qt::UTC);
        const std::optional<std::chrono::seconds> wait = RetryAfter::parse(value, arrived);
        if (seconds < 0)
            QCOMPARE(wait, std::nullopt);
        else
            QCOMPARE(wait, std::optional(std::chrono::seconds(seconds)));
    }
};

QTEST_GUILESS_MAIN(TestRetryAfter)
#include "tst_retryafter.moc"
