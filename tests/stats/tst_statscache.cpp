#include "stats/StatsCache.h"

#include <QFile>
#include <QTest>

#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray readData(const QString& name)
{
    QFile file(QStringLiteral(OSTREL_TEST_DATA "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test data %s", qPrintable(name));
    return file.readAll();
}

// A document with every required key; `extra` is spliced in at the top level
// and `day`/`model` replace the single entry of each collection.
QByteArray document(const QByteArray& extra = {},
                    const QByteArray& day = R"({"date":"2025-01-05","messageCount":3,"sessionCount":1,"toolCallCount":2})",
                    const QByteArray& model = R"({"inputTokens":1,"outputTokens":2,"cacheReadInputTokens":3,"cacheCreationInputTokens":4})")
{
    return R"({"version":2,"lastComputedDate":"2025-01-05","dailyActivity":[)" + day
        + R"(],"dailyModelTokens":[{"date":"2025-01-05","tokensByModel":{"claude-sonnet-4-5-20250929":5,"glm-4.6":7}}],)"
        + R"("modelUsage":{"claude-sonnet-4-5-20250929":)" + model + R"(},"totalSessions":10,"totalMessages":20)"
        + (extra.isEmpty() ? QByteArray() : "," + extra) + "}";
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
            R"("version":1,"lastComputedDate":"x","dailyActivity":[],"dailyModelTokens":[],"modelUsage":{},"totalSessions":0,"totalMessages":0)";
        QTest::newRow("only the seven required keys, empty collections") << "{" + required + "}" << true;
        QTest::newRow("full document") << document() << true;
        for (const char* key : {"version", "lastComputedDate", "dailyActivity", "dailyModelTokens", "modelUsage",
                                "totalSessions", "totalMessages"}) {
            QByteArray without = required;
            const qsizetype start = without.indexOf('"' + QByteArray(key) + '"');
            const qsizetype end = without.indexOf(',', start);
            without.remove(start, (end < 0 ? without.size() : end + 1) - start);
            if (without.endsWith(','))
                without.chop(1);
            QTest::addRow("missing %s", key) << "{" + without + "}" << false;
            QByteArray nulled = "{" + required + "}";
            nulled.replace(QByteArray("\"") + key + "\":", QByteArray("\"") + key + "\":null,\"was\":");
            QTest::addRow("null %s", key) << nulled << false;
        }

        // Unknown keys at every level are ignored.
        QTest::newRow("unknown top-level key") << document(R"("dailyModelTokensVersion":5,"future":{"a":[1]})") << true;
        QTest::newRow("unknown key in a day")
            << document({}, R"({"date":"d","messageCount":1,"sessionCount":1,"toolCallCount":1,"extra":"x"})") << true;
        QTest::newRow("unknown key in a model")
            << document({}, R"({"date":"d","messageCount":1,"sessionCount":1,"toolCallCount":1})",
                        R"({"inputTokens":1,"outputTokens":2,"cacheReadInputTokens":3,"cacheCreationInputTokens":4,"newCounter":"x"})")
            << true;

        // Optional fields: null is absent, a wrong type still fails.
        QTest::newRow("firstSessionDate null") << document(R"("firstSessionDate":null)") << true;
        QTest::newRow("firstSessionDate number") << document(R"("firstSessionDate":5)") << false;
        QTest::newRow("longestSession null") << document(R"("longestSession":null)") << true;
        QTest::newRow("longestSession complete")
            << document(R"("longestSession":{"sessionId":"s","duration":6073854617,"messageCount":3,"timestamp":"t"})") << true;
        QTest::newRow("longestSession without timestamp")
            << document(R"("longestSession":{"sessionId":"s","duration":1,"messageCount":3})") << false;
        QTest::newRow("longestSession as array") << document(R"("longestSession":[])") << false;
        QTest::newRow("hourCounts") << document(R"("hourCounts":{"0":3,"23":4})") << true;
        QTest::newRow("hourCounts with a string count") << document(R"("hourCounts":{"0":"3"})") << false;
        QTest::newRow("hourCounts as array") << document(R"("hourCounts":[1,2])") << false;
        QTest::newRow("speculation time null") << document(R"("totalSpeculationTimeSavedMs":null)") << true;
        QTest::newRow("speculation time fractional") << document(R"("totalSpeculationTimeSavedMs":1.5)") << false;
        QTest::newRow("model optional fields null")
            << document({}, R"({"date":"d","messageCount":1,"sessionCount":1,"toolCallCount":1})",
                        R"({"inputTokens":1,"outputTokens":2,"cacheReadInputTokens":3,"cacheCreationInputTokens":4,"costUSD":null,"maxOutputTokens":null})")
            << true;
        QTest::newRow("model costUSD as string")
            << document({}, R"({"date":"d","messageCount":1,"sessionCount":1,"toolCallCount":1})",
                        R"({"inputTokens":1,"outputTokens":2,"cacheReadInputTokens":3,"cacheCreationInputTokens":4,"costUSD":"0.5"})")
            << false;
        QTest::newRow("model without cacheCreationInputTokens")
            << document({}, R"({"date":"d","messageCount":1,"sessionCount":1,"toolCallCount":1})",
                        R"({"inputTokens":1,"outputTokens":2,"cacheReadInputTokens":3})")
            << false;

        // One bad day rejects the whole document.
        QTest::newRow("day without toolCallCount")
            << document({}, R"({"date":"d","messageCount":1,"sessionCount":1})") << false;
        QTest::newRow("day as a number") << document({}, "5") << false;
        QTest::newRow("day with null count")
            << document({}, R"({"date":"d","messageCount":null,"sessionCount":1,"toolCallCount":1})") << false;
        QTest::newRow("dailyActivity as object")
            << QByteArray(document()).replace(R"("dailyActivity":[)", R"("dailyActivity":{"a":)").replace(R"(}],"dailyModelTokens")", R"(}},"dailyModelTokens")")
            << false;
        QTest::newRow("tokensByModel with a fraction")
            << QByteArray(document()).replace(R"("glm-4.6":7)", R"("glm-4.6":7.5)") << false;

        // Integers: integral, within 64 bits, never strings or booleans.
        QTest::newRow("totalSessions as string of digits") << QByteArray(document()).replace(R"("totalSessions":10)", R"("totalSessions":"10")") << false;
        QTest::newRow("totalSessions as boolean") << QByteArray(document()).replace(R"("totalSessions":10)", R"("totalSessions":true)") << false;
        QTest::newRow("totalSessions fractional") << QByteArray(document()).replace(R"("totalSessions":10)", R"("totalSessions":10.5)") << false;
        QTest::newRow("totalSessions at int64 max") << QByteArray(document()).replace(R"("totalSessions":10)", R"("totalSessions":9223372036854775807)") << true;
        QTest::newRow("totalSessions at int64 min") << QByteArray(document()).replace(R"("totalSessions":10)", R"("totalSessions":-9223372036854775808)") << true;
        QTest::newRow("totalSessions past int64") << QByteArray(document()).replace(R"("totalSessions":10)", R"("totalSessions":9223372036854775808)") << false;
        QTest::newRow("totalSessions 1e30") << QByteArray(document()).replace(R"("totalSessions":10)", R"("totalSessions":1e30)") << false;
        QTest::newRow("lastComputedDate as number") << QByteArray(document()).replace(R"("lastComputedDate":"2025-01-05")", R"("lastComputedDate":20250105)") << false;

        // Not a document at all.
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("array at the top") << QByteArray("[]") << false;
        QTest::newRow("scalar at the top") << QByteArray("42") << false;
        QTest::newRow("truncated") << document().left(document().size() / 2) << false;
        QTest::newRow("trailing garbage") << document() + "x" << false;
        QTest::newRow("invalid UTF-8") << QByteArray(document()).replace("2025-01-05\",\"dailyActivity", "2025-01-05\xff\",\"dailyActivity") << false;
    }

    void acceptsAndRefuses()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, accepted);
        QCOMPARE(StatsCache::decode(json).has_value(), accepted);
    }

    void decodesEveryField()
    {
        const auto cache = StatsCache::decode(document(
            R"("longestSession":{"sessionId":"abc","duration":6073854617,"messageCount":9,"timestamp":"2025-12-31T07:42:12.696Z"},)"
            R"("firstSessionDate":"2025-12-31T07:42:12.696Z","hourCounts":{"7":4},"totalSpeculationTimeSavedMs":1234)",
            R"({"date":"2025-01-05","messageCount":3,"sessionCount":1,"toolCallCount":2})",
            R"({"inputTokens":1,"outputTokens":2,"cacheReadInputTokens":12839961904,"cacheCreationInputTokens":4,"webSearchRequests":0,"costUSD":0.25,"contextWindow":0})"));
        QVERIFY(cache);
        QCOMPARE(cache->version, 2);
        QCOMPARE(cache->lastComputedDate, u"2025-01-05"_s);
        QCOMPARE(cache->dailyActivity, (QList<DailyActivity>{{u"2025-01-05"_s, 3, 1, 2}}));
        QCOMPARE(cache->dailyActivity.first().id(), u"2025-01-05"_s);
        QCOMPARE(cache->dailyModelTokens.first().id(), u"2025-01-05"_s);
        QCOMPARE(cache->dailyModelTokens.first().totalTokens(), 12);
        const ModelUsage usage = cache->modelUsage.value(u"claude-sonnet-4-5-20250929"_s);
        QCOMPARE(usage.cacheReadInputTokens, 12839961904);
        QCOMPARE(usage.webSearchRequests, std::optional<qint64>(0));
        QCOMPARE(usage.costUSD, std::optional<double>(0.25));
        QCOMPARE(usage.contextWindow, std::optional<qint64>(0));
        QVERIFY(!usage.maxOutputTokens);
        QCOMPARE(cache->totalSessions, 10);
        QCOMPARE(cache->totalMessages, 20);
        QCOMPARE(cache->longestSession->duration, 6073854617);
        QCOMPARE(cache->longestSession->sessionId, u"abc"_s);
        QCOMPARE(cache->firstSessionDate, std::optional<QString>(u"2025-12-31T07:42:12.696Z"_s));
        QCOMPARE(cache->hourCounts->value(u"7"_s), 4);
        QCOMPARE(cache->totalSpeculationTimeSavedMs, std::optional<qint64>(1234));

        const auto bare = StatsCache::decode(document());
        QVERIFY(bare);
        QVERIFY(!bare->longestSession && !bare->firstSessionDate && !bare->hourCounts && !bare->totalSpeculationTimeSavedMs);
    }

    void keepsFileOrderAndDuplicates()
    {
        const auto cache = StatsCache::decode(R"({"version":1,"lastComputedDate":"x","dailyActivity":[
            {"date":"2025-01-07","messageCount":1,"sessionCount":0,"toolCallCount":0},
            {"date":"2025-01-05","messageCount":2,"sessionCount":0,"toolCallCount":0},
            {"date":"2025-01-07","messageCount":3,"sessionCount":0,"toolCallCount":0}],
            "dailyModelTokens":[],"modelUsage":{},"totalSessions":0,"totalMessages":0})");
        QVERIFY(cache);
        QCOMPARE(cache->dailyActivity.size(), 3);
        QCOMPARE(cache->dailyActivity[0].messageCount, 1);
        QCOMPARE(cache->dailyActivity[1].messageCount, 2);
        QCOMPARE(cache->dailyActivity[2].messageCount, 3);
    }

    void totalTokens_data()
    {
        QTest::addColumn<QByteArray>("tokensByModel");
        QTest::addColumn<qint64>("total");
        const qint64 max = std::numeric_limits<qint64>::max();
        QTest::newRow("empty") << QByteArray("{}") << qint64(0);
        QTest::newRow("five and seven") << QByteArray(R"({"a":5,"b":7})") << qint64(12);
        QTest::newRow("above 2^32") << QByteArray(R"({"a":4424632685,"b":12839961904})") << qint64(17264594589);
        QTest::newRow("saturates high") << QByteArray(R"({"a":9223372036854775807,"b":1})") << max;
        QTest::newRow("saturates low")
            << QByteArray(R"({"a":-9223372036854775808,"b":-1})") << std::numeric_limits<qint64>::min();
        QTest::newRow("comes back into range") << QByteArray(R"({"a":9223372036854775807,"b":5,"c":-10})") << max - 5;
    }

    void totalTokens()
    {
        QFETCH(QByteArray, tokensByModel);
        QFETCH(qint64, total);
        const auto cache = StatsCache::decode(R"({"version":1,"lastComputedDate":"x","dailyActivity":[],
            "dailyModelTokens":[{"date":"d","tokensByModel":)" + tokensByModel + R"(}],
            "modelUsage":{},"totalSessions":0,"totalMessages":0})");
        QVERIFY(cache);
        QCOMPARE(cache->dailyModelTokens.first().totalTokens(), total);
    }

    // Files written by Claude Code itself, byte for byte.
    void realFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<qint64>("version");
        QTest::newRow("v1 proxy models") << u"v1-proxy-models.json"_s << qint64(1);
        QTest::newRow("v1 odd model ids") << u"v1-odd-model-ids.json"_s << qint64(1);
        QTest::newRow("v2 slash ids") << u"v2-slash-ids.json"_s << qint64(2);
        QTest::newRow("v3 heavy") << u"v3-heavy.json"_s << qint64(3);
        QTest::newRow("v5 big numbers") << u"v5-big-numbers.json"_s << qint64(5);
        QTest::newRow("merge conflict markers") << u"v1-merge-conflict-invalid.json"_s << qint64(-1);
    }

    void realFiles()
    {
        QFETCH(QString, file);
        QFETCH(qint64, version);
        const auto cache = StatsCache::decode(readData(u"real/stats/"_s + file));
        if (version < 0) {
            QVERIFY(!cache);
            return;
        }
        QVERIFY(cache);
        QCOMPARE(cache->version, version);
        QVERIFY(!cache->dailyActivity.isEmpty());
        QVERIFY(!cache->modelUsage.isEmpty());
    }

    void realFileDetails()
    {
        const auto big = StatsCache::decode(readData(u"real/stats/v5-big-numbers.json"_s));
        QVERIFY(big);
        QVERIFY(!big->totalSpeculationTimeSavedMs);
        qint64 largest = 0;
        for (const ModelUsage& usage : big->modelUsage)
            largest = std::max(largest, usage.cacheReadInputTokens);
        QVERIFY(largest > (qint64(1) << 32));

        const auto slash = StatsCache::decode(readData(u"real/stats/v2-slash-ids.json"_s));
        QVERIFY(slash);
        QVERIFY(slash->modelUsage.contains(u"anthropic/claude-opus-4.6"_s));
        QVERIFY(slash->longestSession && slash->longestSession->duration > std::numeric_limits<qint32>::max());

        const auto odd = StatsCache::decode(readData(u"real/stats/v1-odd-model-ids.json"_s));
        QVERIFY(odd);
        QVERIFY(odd->modelUsage.contains(u"llama3.1:8b"_s));
    }
};

QTEST_GUILESS_MAIN(TestStatsCache)
#include "tst_statscache.moc"
