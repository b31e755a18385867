// Decode throughput of the statistics file, and what the typed, strict decode
// costs on top of Qt's JSON parser alone. Target: typed / parse-only <= 1.5.
//
//   build/release/bench/bench_statsdecode
#include "stats/StatsCache.h"

#include <QDate>
#include <QJsonDocument>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

namespace {

// Ten years of daily use across twenty models, shaped like the files Claude
// Code writes (2-space indentation, counts beyond 2^32, odd model ids).
QByteArray largeStatsFile()
{
    QStringList models;
    const char* families[] = {"claude-opus-4-6", "claude-sonnet-4-5-20250929", "claude-haiku-4-5-20251001",
                              "anthropic/claude-opus-4.6", "llama3.1:8b"};
    for (int i = 0; i < 20; ++i)
        models << QString::fromLatin1(families[i % 5]) + (i < 5 ? QString() : QStringLiteral("-v%1").arg(i));

    QByteArray out = "{\n  \"version\": 5,\n  \"lastComputedDate\": \"2035-12-31\",\n  \"dailyActivity\": [\n";
    const QDate first(2026, 1, 1);
    const int days = 3652;
    for (int d = 0; d < days; ++d) {
        out += "    {\n      \"date\": \"" + first.addDays(d).toString(u"yyyy-MM-dd").toLatin1()
            + "\",\n      \"messageCount\": " + QByteArray::number(100 + d % 900) + ",\n      \"sessionCount\": "
            + QByteArray::number(d % 17) + ",\n      \"toolCallCount\": " + QByteArray::number(30 + d % 300) + "\n    }"
            + (d + 1 < days ? ",\n" : "\n");
    }
    out += "  ],\n  \"dailyModelTokensVersion\": 5,\n  \"dailyModelTokens\": [\n";
    for (int d = 0; d < days; ++d) {
        out += "    {\n      \"date\": \"" + first.addDays(d).toString(u"yyyy-MM-dd").toLatin1()
            + "\",\n      \"tokensByModel\": {\n";
        for (int m = 0; m < 4; ++m) {
            out += "        \"" + models[(d + m * 5) % 20].toLatin1() + "\": " + QByteArray::number(1000 + d * 37 + m)
                + (m < 3 ? ",\n" : "\n");
        }
        out += QByteArray("      }\n    }") + (d + 1 < days ? ",\n" : "\n");
    }
    out += "  ],\n  \"modelUsage\": {\n";
    for (int m = 0; m < 20; ++m) {
        out += "    \"" + models[m].toLatin1() + "\": {\n      \"inputTokens\": " + QByteArray::number(123456 + m)
            + ",\n      \"outputTokens\": " + QByteArray::number(2345678 + m) + ",\n      \"cacheReadInputTokens\": "
            + QByteArray::number(12839961904LL + m) + ",\n      \"cacheCreationInputTokens\": "
            + QByteArray::number(4424632685LL + m)
            + ",\n      \"webSearchRequests\": 0,\n      \"costUSD\": 0,\n      \"contextWindow\": 0,\n      \"maxOutputTokens\": 0\n    }"
            + (m < 19 ? ",\n" : "\n");
    }
    out += "  },\n  \"totalSessions\": 8842,\n  \"totalMessages\": 1234567,\n"
           "  \"longestSession\": {\n    \"sessionId\": \"5f0c8a3e-1b2d-4c5e-9f00-123456789abc\",\n"
           "    \"duration\": 6073854617,\n    \"messageCount\": 4242,\n    \"timestamp\": \"2026-03-01T10:00:00.000Z\"\n  },\n"
           "  \"firstSessionDate\": \"2026-01-01T07:42:12.696Z\",\n  \"hourCounts\": {\n";
    for (int h = 0; h < 24; ++h)
        out += "    \"" + QByteArray::number(h) + "\": " + QByteArray::number(100 + h) + (h < 23 ? ",\n" : "\n");
    out += "  },\n  \"totalSpeculationTimeSavedMs\": 987654\n}";
    return out;
}

const QByteArray& input()
{
    static const QByteArray bytes = largeStatsFile();
    return bytes;
}

void parseOnly(benchmark::State& state)
{
    for (auto _ : state) {
        QJsonDocument document = QJsonDocument::fromJson(input());
        benchmark::DoNotOptimize(document);
    }
    state.SetBytesProcessed(state.iterations() * input().size());
}

void typedDecode(benchmark::State& state)
{
    if (!StatsCache::decode(input())) {
        state.SkipWithError("generated file does not decode");
        return;
    }
    for (auto _ : state) {
        std::optional<StatsCache> cache = StatsCache::decode(input());
        benchmark::DoNotOptimize(cache);
    }
    state.SetBytesProcessed(state.iterations() * input().size());
}

BENCHMARK(parseOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(typedDecode)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Prints the usual table, then the ratio of the two runs' time per iteration.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    RatioReporter()
        : ConsoleReporter(OO_Tabular)
    {
    }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            const std::string name = run.benchmark_name();
            m_perIteration[name.substr(0, name.find('/'))] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        if (m_perIteration.count("parseOnly") && m_perIteration.count("typedDecode")) {
            std::printf("input: %.1f MiB; typed decode / parse only = %.2f (target <= 1.5)\n",
                        input().size() / 1048576.0, m_perIteration["typedDecode"] / m_perIteration["parseOnly"]);
        }
    }

private:
    std::map<std::string, double> m_perIteration;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}
