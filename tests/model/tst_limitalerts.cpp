// Alerts before a limit hits, and the pace a window is used at.
#include "model/LimitAlerts.h"
#include "model/UsageFigures.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QDateTime start(QDate(2025, 1, 5), QTime(12, 0), Qt::UTC);

QString at(qint64 secondsAfterStart)
{
    return start.addSecs(secondsAfterStart).toString(Qt::ISODateWithMs);
}

// One reply: the five-hour figure and when that window resets (seconds after
// the start; 0: no reset time), kept through a rate-limit wait or fresh.
struct Step
{
    double utilization;
    qint64 resetsAt;
    bool kept = false;
};

QString kinds(const QList<LimitAlerts::Alert>& alerts)
{
    QStringList names;
    for (const LimitAlerts::Alert& alert : alerts)
        names << QStringList{u"nearly"_s, u"reached"_s, u"reset"_s}.at(int(alert.kind));
    return names.join(u',');
}

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

class TestLimitAlerts : public QObject
{
    Q_OBJECT

private slots:
    void rules_data()
    {
        QTest::addColumn<QList<Step>>("steps");
        QTest::addColumn<QStringList>("alerts"); // per step
        const qint64 a = 3600;         // one window's reset
        const qint64 b = a + 5 * 3600; // the next window's
        QTest::newRow("crossing up") << QList<Step>{{50, a}, {89.9, a}, {90.2, a}} << QStringList{{}, {}, u"nearly"_s};
        QTest::newRow("first figures count") << QList<Step>{{93, a}} << QStringList{u"nearly"_s};
        QTest::newRow("staying up") << QList<Step>{{93, a}, {95, a}, {93, a}} << QStringList{u"nearly"_s, {}, {}};
        QTest::newRow("crossing twice in one cycle")
            << QList<Step>{{95, a}, {80, a}, {95, a}} << QStringList{u"nearly"_s, {}, {}};
        QTest::newRow("then reaching 100")
            << QList<Step>{{92, a}, {100, a}, {104, a}} << QStringList{u"nearly"_s, u"reached"_s, {}};
        QTest::newRow("full at first look") << QList<Step>{{100, a}, {92, a}} << QStringList{u"reached"_s, {}};
        QTest::newRow("reset after 90") << QList<Step>{{92, a}, {4, b}, {6, b}} << QStringList{u"nearly"_s, u"reset"_s, {}};
        QTest::newRow("no reset notice below 90") << QList<Step>{{60, a}, {4, b}} << QStringList{{}, {}};
        QTest::newRow("a new cycle alerts anew")
            << QList<Step>{{92, a}, {91, b}} << QStringList{u"nearly"_s, u"reset,nearly"_s};
        QTest::newRow("reset time written afresh: the same cycle")
            << QList<Step>{{92, a}, {93, a + 30}} << QStringList{u"nearly"_s, {}};
        QTest::newRow("no reset time yet, then one: a new cycle")
            << QList<Step>{{95, 0}, {95, 0}, {3, b}} << QStringList{u"nearly"_s, {}, u"reset"_s};
        QTest::newRow("kept figures never alert")
            << QList<Step>{{93, a, true}, {99, a, true}, {93, a}} << QStringList{{}, {}, u"nearly"_s};
        QTest::newRow("kept figures past a reset: no reset notice yet")
            << QList<Step>{{93, a}, {93, a, true}, {2, b}} << QStringList{u"nearly"_s, {}, u"reset"_s};
    }

    void rules()
    {
        QFETCH(QList<Step>, steps);
        QFETCH(QStringList, alerts);
        LimitAlerts rules;
        for (qsizetype i = 0; i < steps.size(); ++i) {
            UsageResponse reply;
            reply.fiveHour = UsageWindow{steps[i].utilization,
                                         steps[i].resetsAt ? std::optional(at(steps[i].resetsAt)) : std::nullopt};
            QCOMPARE(kinds(rules.update(reply, steps[i].kept, start.addSecs(60 * i))), alerts[i]);
        }
        // Figures missing (a failed fetch) change nothing.
        QCOMPARE(rules.update(std::nullopt, false, start), QList<LimitAlerts::Alert>());
    }

    // Which limit, the figure and when it resets; each window on its own.
    void texts()
    {
        UsageResponse reply;
        reply.fiveHour = UsageWindow{93.7, at(2 * 3600 + 5 * 60 + 30)};
        reply.sevenDay = UsageWindow{100.0, at(26 * 3600 + 30)};
        const QList<LimitAlerts::Alert> alerts = LimitAlerts().update(reply, false, start);
        QCOMPARE(alerts.size(), 2);
        QCOMPARE(alerts[0], (LimitAlerts::Alert{LimitAlerts::Limit::Session, LimitAlerts::Kind::Nearly,
                                                u"Current session at 93%"_s, u"Resets in 2 hr 5 min."_s}));
        QCOMPARE(alerts[1], (LimitAlerts::Alert{LimitAlerts::Limit::Weekly, LimitAlerts::Kind::Reached,
                                                u"Weekly limit reached"_s, u"100% used. Resets in 26 hr 0 min."_s}));
    }

    void elapsedShare_data()
    {
        QTest::addColumn<qint64>("resetsAt"); // seconds after now; 0: no reset time
        QTest::addColumn<qint64>("length");
        QTest::addColumn<double>("share"); // negative: none
        QTest::newRow("window just begun") << qint64(5 * 3600) << qint64(5 * 3600) << 0.0;
        QTest::newRow("half way") << qint64(9000) << qint64(5 * 3600) << 0.5;
        QTest::newRow("a day into the week") << qint64(6 * 86400) << qint64(7 * 86400) << 1.0 / 7;
        QTest::newRow("reset further off than a window: clamped") << qint64(6 * 3600) << qint64(5 * 3600) << 0.0;
        QTest::newRow("reset passed") << qint64(-60) << qint64(5 * 3600) << -1.0;
        QTest::newRow("reset now") << qint64(0) << qint64(5 * 3600) << -1.0;
    }

    void elapsedShare()
    {
        QFETCH(qint64, resetsAt);
        QFETCH(qint64, length);
        QFETCH(double, share);
        // Whole seconds since the epoch: no daylight saving in the arithmetic.
        const QDateTime now = QDateTime::fromSecsSinceEpoch(1'750'000'000, Qt::UTC);
        const UsageWindow window{50.0, resetsAt == 0 ? std::nullopt
                                                      : std::optional(now.addSecs(resetsAt).toString(Qt::ISODateWithMs))};
        const std::optional<double> got = UsageFigures::elapsedShare(window, std::chrono::seconds(length), now);
        if (share < 0)
            QVERIFY(!got);
        else
            QVERIFY2(got && std::abs(*got - share) < 1e-9, qPrintable(QString::number(got.value_or(-1))));
        QVERIFY(!UsageFigures::elapsedShare(UsageWindow{50.0, std::nullopt}, 5h, now));
    }

    void pace_data()
    {
        QTest::addColumn<double>("utilization");
        QTest::addColumn<QString>("text");
        QTest::newRow("ahead") << 62.4 << u"12 % ahead of an even pace"_s;
        QTest::newRow("behind") << 41.6 << u"8 % behind"_s;
        QTest::newRow("even") << 50.3 << u"on an even pace"_s;
    }

    void pace()
    {
        QFETCH(double, utilization);
        QFETCH(QString, text);
        QCOMPARE(UsageFigures::paceText(utilization, 0.5), text);
    }
};

QTEST_GUILESS_MAIN(TestLimitAlerts)
#include "tst_limitalerts.moc"
