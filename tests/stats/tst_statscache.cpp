// Reading and decoding the statistics file Claude Code keeps.
#include "stats/StatsCache.h"
#include "stats/StatsLoader.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray day = R"({"date":"2025-01-05","messageCount":3,"sessionCount":1,"toolCallCount":2})";
const QByteArray model = R"({"inputTokens":1,"outputTokens":2,"cacheReadInputTokens":12839961904,"cacheCreationInputTokens":4)";

// Every required key, one day and one model; `extra` goes in at the top level, `more` into the model.
QByteArray document(const QByteArray& extra = {}, const QByteArray& oneDay = day, const QByteArray& more = {})
{
    return R"({"version":2,"lastComputedDate":"2025-01-05","dailyActivity":[)" + oneDay
        + R"(],"dailyModelTokens":[{"date":"2025-01-05","tokensByModel":{"claude-sonnet-4-5":5,"glm-4.6":7}}],)"
        + R"("modelUsage":{"anthropic/claude-opus-4.6":)" + model + more + R"(}},"totalSessions":10,"totalMessages":20)"
        + (extra.isEmpty() ? QByteArray() : "," + extra) + "}";
}

QByteArray withSessions(const QByteArray& value)
{
    return document().replace(R"("totalSessions":10)", "\"totalSessions\":" + value);
}

} // namespace

class TestStatsCache : public QObject
{
    Q_OBJECT

private slots:
    void acceptsAndRefuses_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("accepted");
        const QByteArray required =
            R"({"version":1,"lastComputedDate":"x","dailyActivity":[],"dailyModelTokens":[],"modelUsage":{},"totalSessions":0,"totalMessages":0})";
        QTest::newRow("the seven required keys") << required << true;
        for (const char* key : {"version", "lastComputedDate", "dailyActivity", "dailyModelTokens", "modelUsage",
                                "totalSessions", "totalMessages"}) {
            const QByteArray name = '"' + QByteArray(key) + "\":";
            QTest::addRow("missing %s", key) << QByteArray(required).replace(name, "\"renamed\":") << false;
            QTest::addRow("null %s", key) << QByteArray(required).replace(name, name + "null,\"was\":") << false;
        }
        QTest::newRow("unknown keys at every level")
            << document(R"("dailyModelTokensVersion":5)", R"({"date":"d","messageCount":1,"sessionCount":1,"toolCallCount":1,"x":[]})",
                        R"(,"x":"y")")
            << true;
        QTest::newRow("optional fields null")
            << document(R"("firstSessionDate":null,"longestSession":null,"hourCounts":null)", day, R"(,"costUSD":null)") << true;
        QTest::newRow("hourCounts with a string count") << document(R"("hourCounts":{"0":"3"})") << false;
        QTest::newRow("costUSD as string") << document({}, day, R"(,"costUSD":"0.5")") << false;
        QTest::newRow("one day without toolCallCount") << document({}, R"({"date":"d","messageCount":1,"sessionCount":1})") << false;
        QTest::newRow("token count as string")
            << document().replace(R"("glm-4.6":7)", R"("glm-4.6":"7")") << false;
        // Counts: whole numbers within 64 bits only.
        for (const auto& [count, accepted] :
             {std::pair{R"("10")", false}, {"10.5", false}, {"9223372036854775807", true}, {"-9223372036854775808", true},
              {"-9223372036854775807", true}, {"9223372036854775808", false}, {"-9223372036854775809", false},
              {"-9.223372036854775809e18", false}})
            QTest::addRow("count %s", count) << withSessions(count) << accepted;
        QTest::newRow("digits below int64 min in a string")
            << document().replace(R"("lastComputedDate":"2025-01-05")", R"("lastComputedDate":"-9223372036854775809")")
            << true;
        QTest::newRow("truncated") << document().left(document().size() / 2) << false;
    }

    void acceptsAndRefuses()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, accepted);
        QCOMPARE(StatsCache::decode(json).has_value(), accepted);
    }

    void decodesFieldsInFileOrder()
    {
        const auto cache = StatsCache::decode(document({}, day + "," + QByteArray(day).replace("2025-01-05", "2025-01-01")));
        QVERIFY(cache);
        QCOMPARE(cache->dailyActivity, (QList<DailyActivity>{{u"2025-01-05"_s, 3, 1, 2}, {u"2025-01-01"_s, 3, 1, 2}}));
        QCOMPARE(cache->modelUsage.value(u"anthropic/claude-opus-4.6"_s), (ModelUsage{1, 2, 12839961904, 4, {}, {}, {}, {}}));
    }

    void totalTokensSaturate_data()
    {
        QTest::addColumn<QByteArray>("tokensByModel");
        QTest::addColumn<qint64>("total");
        const qint64 max = std::numeric_limits<qint64>::max();
        QTest::newRow("high") << QByteArray(R"({"a":9223372036854775807,"b":1})") << max;
        QTest::newRow("low") << QByteArray(R"({"a":-9223372036854775808,"b":-1})") << std::numeric_limits<qint64>::min();
        QTest::newRow("back into range") << QByteArray(R"({"a":9223372036854775807,"b":5,"c":-10})") << max - 5;
    }

    void totalTokensSaturate()
    {
        QFETCH(QByteArray, tokensByModel);
        QFETCH(qint64, total);
        const auto cache = StatsCache::decode(document().replace(R"({"claude-sonnet-4-5":5,"glm-4.6":7})", tokensByModel));
        QCOMPARE(cache->dailyModelTokens.first().totalTokens(), total);
    }

    // Files written by Claude Code itself, byte for byte.
    void realFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<qint64>("version"); // -1: must be refused
        QTest::addColumn<QString>("someModel");
        QTest::newRow("v1 proxy models") << u"v1-proxy-models.json"_s << qint64(1) << u"claude-haiku-4.5"_s;
        QTest::newRow("v1 odd model ids") << u"v1-odd-model-ids.json"_s << qint64(1) << u"llama3.1:8b"_s;
        QTest::newRow("v2 slash ids") << u"v2-slash-ids.json"_s << qint64(2) << u"anthropic/claude-opus-4.6"_s;
        QTest::newRow("v3 heavy") << u"v3-heavy.json"_s << qint64(3) << u"claude-opus-4-7"_s;
        QTest::newRow("v5 big numbers") << u"v5-big-numbers.json"_s << qint64(5) << u"claude-fable-5"_s;
        QTest::newRow("merge conflict markers") << u"v1-merge-conflict-invalid.json"_s << qint64(-1) << QString();
    }

    void realFiles()
    {
        QFETCH(QString, file);
        QFETCH(qint64, version);
        QFETCH(QString, someModel);
        const auto bytes = StatsLoader::readFile(u"" OSTREL_TEST_DATA "/real/stats/"_s + file);
        QVERIFY(bytes);
        const auto cache = StatsCache::decode(*bytes);
        QCOMPARE(cache ? cache->version : -1, version);
        QVERIFY(!cache || cache->modelUsage.contains(someModel));
    }
};

QTEST_GUILESS_MAIN(TestStatsCache)
#include "tst_statscache.moc"
