#include "model/StatsViewModel.h"
#include "views/ContentView.h"
#include "views/SymbolView.h"
#include "views/UsageLimitsView.h"

#include "FakeUsageSource.h"
#include "FixedClock.h"
#include "ViewTexts.h"

#include <QAbstractButton>
#include <QFile>
#include <QLocale>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

// Wednesday 8 January 2025, noon UTC (the tests run in UTC).
const QDateTime noon(QDate(2025, 1, 8), QTime(12, 0), Qt::UTC);

QByteArray statsJson(bool withToday, int models = 2, const QString& firstModel = u"claude-opus-4-6"_s)
{
    const QString today = withToday ? uR"({"date":"2025-01-08","messageCount":42,"sessionCount":3,"toolCallCount":7},)"_s
                                    : QString();
    const QString tokens = withToday ? uR"({"date":"2025-01-08","tokensByModel":{"claude-opus-4-6":1234567}})"_s
                                     : QString();
    QStringList usage;
    for (int i = 0; i < models; ++i)
        usage.append(uR"("%1":{"inputTokens":%2,"outputTokens":1,"cacheReadInputTokens":0,"cacheCreationInputTokens":0})"_s
                         .arg(i == 0 ? firstModel : u"model-%1"_s.arg(i))
                         .arg(1000 * (models - i)));
    return uR"({"version":2,"lastComputedDate":"2025-01-08",
        "dailyActivity":[%1{"date":"2025-01-03","messageCount":10,"sessionCount":1,"toolCallCount":1}],
        "dailyModelTokens":[%2],
        "modelUsage":{%3},
        "totalSessions":1234,"totalMessages":56789,
        "firstSessionDate":"2025-01-05T10:00:00.000Z"})"_s.arg(today, tokens, usage.join(u','))
        .toUtf8();
}

UsageResponse reply(double fiveHour = 42)
{
    UsageResponse r;
    r.fiveHour = UsageWindow{fiveHour, u"2025-01-08T14:05:00.000Z"_s};
    return r;
}

// The section markers in the order the panel shows them.
QStringList outline(const QWidget& view)
{
    static const QStringList markers{u"Claude Code Usage"_s, u"12:00 PM"_s,     u"Plan Usage Limits"_s,
                                     u"Today"_s,             u"Last 7 Days"_s,  u"Model Breakdown"_s,
                                     u"1234 sessions"_s,     u"No stats found"_s, u"Refresh"_s,
                                     u"Quit"_s};
    QStringList found;
    for (const QString& text : ViewTexts::visible(&view)) {
        if (markers.contains(text))
            found.append(text);
    }
    return found;
}

} // namespace

class TestContentView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_path = m_dir->filePath(u"stats-cache.json"_s);
        m_source = std::make_shared<FakeUsageSource>();
        m_viewModel = std::make_unique<StatsViewModel>(
            StatsViewModel::Dependencies{std::make_shared<FixedClock>(noon), m_path, m_source});
        m_view = std::make_unique<ContentView>(*m_viewModel);
    }

    void cleanup()
    {
        m_view.reset();
        m_viewModel.reset();
        m_source.reset();
        m_dir.reset();
    }

    void presence_data()
    {
        QTest::addColumn<bool>("started");
        QTest::addColumn<bool>("stats");
        QTest::addColumn<bool>("usage");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("nothing yet: no time, the notice")
            << false << false << false
            << QStringList{u"Claude Code Usage"_s, u"No stats found"_s, u"Refresh"_s, u"Quit"_s};
        QTest::newRow("started, nothing found")
            << true << false << false
            << QStringList{u"Claude Code Usage"_s, u"12:00 PM"_s, u"No stats found"_s, u"Refresh"_s, u"Quit"_s};
        QTest::newRow("usage only: empty slot")
            << true << false << true
            << QStringList{u"Claude Code Usage"_s, u"12:00 PM"_s, u"Plan Usage Limits"_s, u"Refresh"_s, u"Quit"_s};
        QTest::newRow("stats only: no usage card")
            << true << true << false
            << QStringList{u"Claude Code Usage"_s, u"12:00 PM"_s, u"Today"_s,   u"Last 7 Days"_s,
                           u"Model Breakdown"_s,  u"1234 sessions"_s, u"Refresh"_s, u"Quit"_s};
        QTest::newRow("both")
            << true << true << true
            << QStringList{u"Claude Code Usage"_s, u"12:00 PM"_s,       u"Plan Usage Limits"_s,
                           u"Today"_s,             u"Last 7 Days"_s,    u"Model Breakdown"_s,
                           u"1234 sessions"_s,     u"Refresh"_s,        u"Quit"_s};
    }

    void presence()
    {
        QFETCH(bool, started);
        QFETCH(bool, stats);
        QFETCH(bool, usage);
        QFETCH(QStringList, expected);
        if (stats)
            writeStats(statsJson(true));
        if (started) {
            m_viewModel->start();
            completeFetches(usage ? std::optional(reply()) : std::nullopt);
        }
        QCOMPARE(outline(*m_view), expected);
        const bool noticeShown = m_view->findChild<QWidget*>(u"emptyState"_s)->isVisibleTo(m_view.get());
        QCOMPARE(noticeShown, !stats && !usage);
        if (noticeShown) {
            QVERIFY(m_view->findChild<QWidget*>(u"emptyState"_s)->findChild<SymbolView*>()->isVisibleTo(m_view.get()));
            QVERIFY(ViewTexts::visible(m_view.get())
                        .contains(u"Make sure Claude Code is installed and has been used at least once."_s));
        }
    }

    void todayFigures_data()
    {
        QTest::addColumn<bool>("withToday");
        QTest::addColumn<QStringList>("tiles");
        QTest::newRow("today's entries") << true << QStringList{u"1.2M"_s, u"42"_s, u"7"_s};
        QTest::newRow("no entry for today") << false << QStringList{u"0"_s, u"0"_s, u"0"_s};
    }

    void todayFigures()
    {
        QFETCH(bool, withToday);
        QFETCH(QStringList, tiles);
        writeStats(statsJson(withToday));
        m_viewModel->start();
        const QWidget* card = m_view->findChild<QWidget*>(u"todayCard"_s);
        QCOMPARE(ViewTexts::visible(card),
                 (QStringList{u"Today"_s, tiles[0], u"Tokens"_s, tiles[1], u"Messages"_s, tiles[2], u"Tool Calls"_s}));
        QCOMPARE(ViewTexts::visible(m_view->findChild<QWidget*>(u"summaryFooter"_s)),
                 (QStringList{u"1234 sessions"_s, u"56.8K messages"_s, u"Using Claude Code since Jan 5, 2025"_s}));
    }

    // 340 wide with padding 16 and sections 16 apart, whatever the content.
    void geometry()
    {
        writeStats(statsJson(true, 3, u"claude-with-an-extraordinarily-long-model-identifier-that-never-ends"_s));
        m_viewModel->start();
        completeFetches(reply());
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        QCOMPARE(m_view->width(), 340);

        QList<QWidget*> sections;
        for (const QString& name : {u"usageLimits"_s, u"todayCard"_s, u"weeklyChart"_s, u"modelBreakdown"_s,
                                    u"summaryFooter"_s}) {
            QWidget* section = m_view->findChild<QWidget*>(name);
            QVERIFY2(section, qPrintable(name));
            QCOMPARE(section->x(), 16);
            QCOMPARE(section->width(), 308);
            sections.append(section);
        }
        for (qsizetype i = 1; i < sections.size(); ++i)
            QCOMPARE(sections[i]->y() - sections[i - 1]->geometry().bottom() - 1, 16);

        // Switching to the notice keeps the width.
        QFile::remove(m_path);
        completeFetches(std::nullopt);
        m_viewModel->refresh();
        completeFetches(std::nullopt);
        QCOMPARE(outline(*m_view).contains(u"No stats found"_s), true);
        QCOMPARE(m_view->width(), 340);
    }

    void refreshButtonReloadsAndFetches()
    {
        writeStats(statsJson(true));
        m_viewModel->start();
        completeFetches(reply());
        QVERIFY(outline(*m_view).contains(u"Today"_s));
        QFile::remove(m_path);
        const qsizetype fetches = m_source->started();
        QTest::mouseClick(m_view->findChild<QAbstractButton*>(u"refreshButton"_s), Qt::LeftButton);
        QCOMPARE(m_source->started(), fetches + 1);
        QVERIFY(!m_viewModel->stats());
        // Usage still present: the slot is empty rather than the notice.
        QCOMPARE(outline(*m_view),
                 (QStringList{u"Claude Code Usage"_s, u"12:00 PM"_s, u"Plan Usage Limits"_s, u"Refresh"_s, u"Quit"_s}));
    }

    void closedPanelCatchesUpWhenOpened()
    {
        m_viewModel->start();
        m_view->setLive(false);
        completeFetches(reply());
        QVERIFY(!outline(*m_view).contains(u"Plan Usage Limits"_s));
        m_view->setLive(true);
        QVERIFY(outline(*m_view).contains(u"Plan Usage Limits"_s));
    }

    void quitButtonAsksToQuit()
    {
        QSignalSpy quit(m_view.get(), &ContentView::quitRequested);
        QTest::mouseClick(m_view->findChild<QAbstractButton*>(u"quitButton"_s), Qt::LeftButton);
        QCOMPARE(quit.count(), 1);
    }

    // Updates arrive every few seconds for as long as the application runs:
    // they must reuse the widgets they have.
    void thousandsOfUpdatesKeepTheWidgetTree()
    {
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        qsizetype objects = -1;
        long afterWarmUp = 0;
        for (int i = 0; i < 3000; ++i) {
            switch (i % 4) {
            case 0:
                writeStats(statsJson(true, 3));
                break;
            case 1:
                QFile::remove(m_path);
                break;
            case 2:
                writeStats(statsJson(false, 1));
                break;
            case 3:
                writeStats("not json");
                break;
            }
            m_viewModel->refresh();
            completeFetches(i % 3 == 0 ? std::nullopt : std::optional(reply(i % 130)));
            // Updates come from the event loop, which then lays out and paints.
            QCoreApplication::processEvents();
            if (i == 3) {
                objects = m_view->findChildren<QObject*>().size();
                afterWarmUp = readResidentPages();
            }
        }
        QCoreApplication::processEvents();
        QCOMPARE(m_view->findChildren<QObject*>().size(), objects);
        qInfo("resident memory after 4 and after 3000 updates: %ld and %ld KiB", residentKiB(afterWarmUp),
              residentKiB(readResidentPages()));
        QCOMPARE(m_view->width(), 340);
    }

private:
    // A figure for the log, not a pass condition: resident pages of this process.
    static long readResidentPages()
    {
        QFile statm(u"/proc/self/statm"_s);
        if (!statm.open(QIODevice::ReadOnly))
            return 0;
        const QList<QByteArray> fields = statm.readAll().split(' ');
        return fields.size() > 1 ? fields[1].toLong() : 0;
    }

    static long residentKiB(long pages) { return pages * 4; }

    void writeStats(const QByteArray& bytes)
    {
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    void completeFetches(const std::optional<UsageResponse>& answer)
    {
        while (m_source->pending() > 0)
            m_source->complete(0, answer);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    std::shared_ptr<FakeUsageSource> m_source;
    std::unique_ptr<StatsViewModel> m_viewModel;
    std::unique_ptr<ContentView> m_view;
};

QTEST_MAIN(TestContentView)
#include "tst_contentview.moc"
