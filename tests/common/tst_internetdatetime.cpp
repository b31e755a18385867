#include "common/InternetDateTime.h"

#include <QTest>

class TestInternetDateTime : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("msecsSinceEpoch"); // -1: refused

        // 2025-11-04T04:59:59.943Z
        const qint64 reset = 1762232399943;
        QTest::newRow("reply with microseconds and +00:00") << "2025-11-04T04:59:59.943648+00:00" << reset;
        QTest::newRow("Z zone") << "2025-11-04T04:59:59.943Z" << reset;
        QTest::newRow("one fraction digit") << "2025-11-04T04:59:59.9Z" << reset - 43;
        QTest::newRow("many fraction digits") << "2025-11-04T04:59:59.94399999999999Z" << reset;
        QTest::newRow("positive offset") << "2025-11-04T06:59:59.943+02:00" << reset;
        QTest::newRow("negative offset") << "2025-11-03T23:29:59.943-05:30" << reset;
        QTest::newRow("leap day") << "2024-02-29T00:00:00.0Z" << qint64(1709164800000);

        QTest::newRow("no fraction") << "2025-11-04T04:59:59Z" << qint64(-1);
        QTest::newRow("empty fraction") << "2025-11-04T04:59:59.Z" << qint64(-1);
        QTest::newRow("no zone") << "2025-11-04T04:59:59.943" << qint64(-1);
        QTest::newRow("space instead of T") << "2025-11-04 04:59:59.943Z" << qint64(-1);
        QTest::newRow("lower-case z") << "2025-11-04T04:59:59.943z" << qint64(-1);
        QTest::newRow("offset without colon") << "2025-11-04T04:59:59.943+0000" << qint64(-1);
        QTest::newRow("trailing text") << "2025-11-04T04:59:59.943Z " << qint64(-1);
        QTest::newRow("February 30") << "2025-02-30T04:59:59.943Z" << qint64(-1);
        QTest::newRow("hour 24") << "2025-11-04T24:00:00.000Z" << qint64(-1);
        QTest::newRow("year 0000") << "0000-01-01T00:00:00.000Z" << qint64(-1);
        QTest::newRow("offset hour 24") << "2025-11-04T04:59:59.943+24:00" << qint64(-1);
        QTest::newRow("non-ASCII digits") << QString::fromUtf8("２０２５-11-04T04:59:59.943Z") << qint64(-1);
        QTest::newRow("empty") << "" << qint64(-1);
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(qint64, msecsSinceEpoch);
        const std::optional<QDateTime> moment = InternetDateTime::parse(text);
        QCOMPARE(moment ? moment->toMSecsSinceEpoch() : -1, msecsSinceEpoch);
    }
};

QTEST_GUILESS_MAIN(TestInternetDateTime)
#include "tst_internetdatetime.moc"
