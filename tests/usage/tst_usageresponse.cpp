#include "usage/UsageResponse.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestUsageResponse : public QObject
{
    Q_OBJECT

private slots:
    void acceptsAndRefuses_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("accepted");

        QTest::newRow("empty object") << QByteArray("{}") << true;
        QTest::newRow("real-shaped reply")
            << QByteArray(R"({"five_hour":{"utilization":6.0,"resets_at":"2025-11-04T04:59:59.943648+00:00"},
                 "seven_day":{"utilization":35.0,"resets_at":"2025-11-06T03:59:59.943664+00:00"},
                 "seven_day_oauth_apps":null,"seven_day_opus":{"utilization":0.0,"resets_at":null},
                 "iguana_necktie":null,"extra_usage":{"is_enabled":false,"monthly_limit":null,"used_credits":null,"utilization":null}})")
            << true;
        QTest::newRow("window as empty object") << QByteArray(R"({"five_hour":{}})") << true;
        QTest::newRow("utilization as string") << QByteArray(R"({"seven_day":{"utilization":"42"}})") << false;
        QTest::newRow("resets_at as number") << QByteArray(R"({"five_hour":{"resets_at":1762232399}})") << false;
        QTest::newRow("resets_at any string") << QByteArray(R"({"five_hour":{"resets_at":"soon"}})") << true;
        QTest::newRow("window as array") << QByteArray(R"({"five_hour":[]})") << false;
        QTest::newRow("monthly_limit whole") << QByteArray(R"({"extra_usage":{"monthly_limit":12}})") << true;
        QTest::newRow("monthly_limit fractional") << QByteArray(R"({"extra_usage":{"monthly_limit":12.5}})") << false;
        QTest::newRow("is_enabled 1") << QByteArray(R"({"extra_usage":{"is_enabled":1}})") << false;
        QTest::newRow("bad member deep inside, good elsewhere")
            << QByteArray(R"({"five_hour":{"utilization":1},"seven_day_sonnet":{"utilization":true}})") << false;
        QTest::newRow("array") << QByteArray("[]") << false;
        QTest::newRow("empty body") << QByteArray() << false;
    }

    void acceptsAndRefuses()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, accepted);
        QCOMPARE(UsageResponse::decode(json).has_value(), accepted);
    }

    void decodesMembers()
    {
        const auto reply = UsageResponse::decode(R"({"five_hour":{"utilization":6.5,"resets_at":"2025-11-04T04:59:59.943648+00:00"},
            "seven_day":null,"seven_day_opus":{"utilization":0.0,"resets_at":null},"seven_day_sonnet":{},
            "extra_usage":{"is_enabled":true,"monthly_limit":5000,"used_credits":12.5,"utilization":2}})");
        QVERIFY(reply);
        QCOMPARE(reply->fiveHour->utilization, std::optional<double>(6.5));
        QCOMPARE(reply->fiveHour->resetsAt, std::optional<QString>(u"2025-11-04T04:59:59.943648+00:00"_s));
        QVERIFY(!reply->sevenDay);
        QCOMPARE(reply->sevenDayOpus->utilization, std::optional<double>(0.0));
        QVERIFY(!reply->sevenDayOpus->resetsAt);
        QVERIFY(reply->sevenDaySonnet && !reply->sevenDaySonnet->utilization);
        QVERIFY(!reply->sevenDayOauthApps && !reply->sevenDayCowork);
        QCOMPARE(reply->extraUsage->isEnabled, std::optional<bool>(true));
        QCOMPARE(reply->extraUsage->monthlyLimit, std::optional<qint64>(5000));
        QCOMPARE(reply->extraUsage->usedCredits, std::optional<double>(12.5));
        QCOMPARE(reply->extraUsage->utilization, std::optional<double>(2.0));

        QCOMPARE(UsageResponse::decode("{}"), std::optional<UsageResponse>(UsageResponse{}));
    }

    void timeUntilReset_data()
    {
        QTest::addColumn<QString>("resetsAt"); // empty: absent
        QTest::addColumn<qint64>("aheadMs");   // reset moment minus now
        QTest::addColumn<QString>("expected"); // empty: absent

        const QString reset = u"2025-11-04T04:59:59.943648+00:00"_s;
        QTest::newRow("30 s ahead") << reset << qint64(30'000) << u"0 min"_s;
        QTest::newRow("61 s ahead") << reset << qint64(61'000) << u"1 min"_s;
        QTest::newRow("3599 s ahead") << reset << qint64(3'599'000) << u"59 min"_s;
        QTest::newRow("exactly an hour ahead") << reset << qint64(3'600'000) << u"1 hr 0 min"_s;
        QTest::newRow("3 hr 5 min ahead") << reset << qint64((3 * 3600 + 5 * 60) * 1000) << u"3 hr 5 min"_s;
        QTest::newRow("26 hr 5 min ahead") << reset << qint64((26 * 3600 + 5 * 60) * 1000) << u"26 hr 5 min"_s;
        QTest::newRow("exactly now") << reset << qint64(0) << u"now"_s;
        QTest::newRow("in the past") << reset << qint64(-5'000'000) << u"now"_s;
        QTest::newRow("Z and one fraction digit") << u"2025-11-04T04:59:59.9Z"_s << qint64(120'000) << u"2 min"_s;
        QTest::newRow("no fraction") << u"2025-11-04T04:59:59Z"_s << qint64(120'000) << QString();
        QTest::newRow("absent") << QString() << qint64(120'000) << QString();
    }

    void timeUntilReset()
    {
        QFETCH(QString, resetsAt);
        QFETCH(qint64, aheadMs);
        QFETCH(QString, expected);
        UsageWindow window;
        if (!resetsAt.isNull())
            window.resetsAt = resetsAt;
        // "now" is placed relative to what the text means, when it parses.
        const QDateTime moment = resetsAt.startsWith(u"2025-11-04T04:59:59.9Z"_s)
            ? QDateTime::fromMSecsSinceEpoch(1762232399900, Qt::UTC)
            : QDateTime::fromMSecsSinceEpoch(1762232399943, Qt::UTC);
        const std::optional<QString> text = window.timeUntilReset(moment.addMSecs(-aheadMs));
        if (expected.isNull())
            QVERIFY(!text);
        else
            QCOMPARE(text, std::optional<QString>(expected));
    }
};

QTEST_GUILESS_MAIN(TestUsageResponse)
#include "tst_usageresponse.moc"
