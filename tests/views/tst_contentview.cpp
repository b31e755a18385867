#include "model/StatsViewModel.h"
#include "views/ContentView.h"
#include "views/ModelList.h"
#include "views/PanelStyle.h"

#include "FakeUsageSource.h"
#include "FixedClock.h"
#include "StatsFiles.h"
#include "ViewTexts.h"

#include <QAbstractButton>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// Saved on Wednesday 8 January 2025 with activity that day, and two models
// whose totals (8.1K and 10) run against the order of their names.
const QByteArray fullStats = R"({"version":2,"lastComputedDate":"2025-01-08",
  "dailyActivity":[{"date":"2025-01-08","messageCount":9999,"sessionCount":3,"toolCallCount":7}],
  "dailyModelTokens":[{"date":"2025-01-08","tokensByModel":{"claude-opus-4-6":1234567}}],"modelUsage":{
    "claude-haiku-4-5":{"inputTokens":10,"outputTokens":0,"cacheReadInputTokens":0,"cacheCreationInputTokens":0},
    "claude-opus-4-6":{"inputTokens":100,"outputTokens":2000,"cacheReadInputTokens":5000,"cacheCreationInputTokens":1000}},
  "totalSessions":1234,"totalMessages":56789,"firstSessionDate":"2025-01-05T10:00:00.000Z"})";

// Activity only the day before, no models, one session, no first-session date.
const QByteArray sparseStats = R"({"version":2,"lastComputedDate":"2025-01-07","modelUsage":{},
  "dailyActivity":[{"date":"2025-01-07","messageCount":5,"sessionCount":1,"toolCallCount":5}],
  "dailyModelTokens":[{"date":"2025-01-07","tokensByModel":{"claude-opus-4-6":5}}],"totalSessions":1,"totalMessages":1})";

// A file naming `count` models, the last the heaviest.
QByteArray manyModels(int count)
{
    QByteArray file = R"({"version":2,"lastComputedDate":"2025-01-08","dailyActivity":[],"dailyModelTokens":[],
      "totalSessions":1,"totalMessages":1,"firstSessionDate":"2025-01-05T10:00:00.000Z","modelUsage":{)";
    for (int i = 0; i < count; ++i) {
        file += i ? ",\"model-" : "\"model-";
        file += QByteArray::number(i) + "\":{\"inputTokens\":" + QByteArray::number(i * 1000LL)
                + ",\"outputTokens\":7,\"cacheReadInputTokens\":0,\"cacheCreationInputTokens\":0}";
    }
    return file + "}}";
}

} // namespace

class TestContentView : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_view.reset();
        m_viewModel = std::make_unique<StatsViewModel>(StatsViewModel::Dependencies{
            std::make_shared<FixedClock>(QDateTime(QDate(2025, 1, 8), QTime(12, 0), Qt::UTC)), m_path, m_source});
        m_view = std::make_unique<ContentView>(*m_viewModel);
    }

    void sections_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("usage");
        QTest::addColumn<QStringList>("expected");

        const QStringList head{u"Claude Code Usage"_s, u"12:00"_s};
        const QStringList usage{u"Plan Usage Limits"_s, u"Current session"_s, u"42% used"_s, u"Weekly limits"_s};
        const QStringList notice{u"No stats found"_s,
                                 u"Make sure Claude Code is installed and has been used at least once."_s};
        const QStringList stats{u"Today"_s, u"1.2M"_s, u"Tokens"_s, u"9,999"_s, u"Messages"_s, u"7"_s, u"Tool Calls"_s,
                                u"Last 7 Days"_s, u"Model Breakdown"_s, u"Opus 4.6"_s, u"6.1K in"_s, u"2.0K out"_s,
                                u"8.1K"_s, u"Haiku 4.5"_s, u"10 in"_s, u"0 out"_s, u"10"_s, u"1234 sessions"_s,
                                u"56.8K messages"_s, u"Using Claude Code since Jan 5, 2025"_s};
        const QStringList buttons{u"Refresh"_s, u"Quit"_s};
        QTest::newRow("neither: the notice") << QByteArray() << false << head + notice + buttons;
        QTest::newRow("usage only: no statistics, no notice") << QByteArray() << true << head + usage + buttons;
        QTest::newRow("statistics only: no usage card") << fullStats << false << head + stats + buttons;
        QTest::newRow("both") << fullStats << true << head + usage + stats + buttons;
        QTest::newRow("nothing today, one session, first day unknown") << sparseStats << false
            << head + QStringList{u"Today"_s, u"0"_s, u"Tokens"_s, u"0"_s, u"Messages"_s, u"0"_s, u"Tool Calls"_s}
                   + QStringList{u"Last 7 Days"_s, u"Model Breakdown"_s, u"1 sessions"_s, u"1 messages"_s} + buttons;
    }

    void sections()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, usage);
        QFETCH(QStringList, expected);
        m_view->show();
        // A closed panel only notes the change, and catches up when opened.
        const QStringList before = ViewTexts::visible(m_view.get());
        QCOMPARE(before.first(2), (QStringList{u"Claude Code Usage"_s, u"No stats found"_s})); // no time yet
        m_view->setLive(false);
        load(file, usage);
        QCOMPARE(ViewTexts::visible(m_view.get()), before);
        m_view->setLive(true);
        QCOMPARE(ViewTexts::visible(m_view.get()), expected);

        // 340 wide with padding 16 at the sides and sections 16 apart.
        QCOMPARE(m_view->width(), 340);
        const QWidget* previous = nullptr;
        for (const QString& name : {u"usageLimits"_s, u"todayCard"_s, u"weeklyChart"_s, u"modelBreakdown"_s,
                                    u"summaryFooter"_s, u"emptyState"_s}) {
            const QWidget* section = m_view->findChild<QWidget*>(name);
            if (!section->isVisible())
                continue;
            const QRect inPanel(section->mapTo(m_view.get(), QPoint()), section->size());
            QCOMPARE(inPanel, QRect(16, inPanel.y(), 308, inPanel.height()));
            if (previous)
                QCOMPARE(inPanel.y() - previous->mapTo(m_view.get(), QPoint(0, previous->height())).y(), 16);
            previous = section;
        }
    }

    void refreshReloadsAndFetchesQuitAsksToQuit()
    {
        load(fullStats, true);
        QFile::remove(m_path);
        const qsizetype fetches = m_source->started();
        QTest::mouseClick(m_view->findChild<QAbstractButton*>(u"refreshButton"_s), Qt::LeftButton);
        QCOMPARE(m_source->started(), fetches + 1);
        QVERIFY(!ViewTexts::visible(m_view.get()).contains(u"Today"_s));

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
        const QByteArray files[] = {fullStats, QByteArray(), sparseStats};
        qsizetype objects = -1;
        for (int i = 0; i < 3000; ++i) {
            load(files[i % 3], i % 2 == 0);
            // Updates come from the event loop, which then lays out and paints.
            QCoreApplication::processEvents();
            if (i == 5) // every combination seen once
                objects = m_view->findChildren<QObject*>().size();
        }
        QCOMPARE(m_view->findChildren<QObject*>().size(), objects);
    }

    // A broken or hostile file may name any number of models: the panel opens
    // and scrolls to its end, drawing only what is in view.
    void fiftyThousandModels()
    {
        load(manyModels(50000), true);
        m_view->setMaximumHeight(600);
        m_view->resize(340, m_view->sizeHint().height());
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        QCOMPARE(m_view->height(), 600);
        const ModelList* list = m_view->findChild<ModelList*>();
        QCOMPARE(list->count(), 50000);
        QCOMPARE(list->cells(0).last().text, u"50.0M"_s); // the heaviest first

        const QWidget* footer = m_view->findChild<QWidget*>(u"summaryFooter"_s);
        QVERIFY(footer->visibleRegion().isEmpty());
        QScrollBar* bar = m_view->findChild<QScrollArea*>()->verticalScrollBar();
        bar->setValue(bar->maximum());
        QVERIFY(!m_view->grab().isNull());
        QVERIFY(!footer->visibleRegion().isEmpty());
    }

    // Dim text stays readable on the panel and on its boxes in light, dark
    // and low-contrast palettes, and keeps its order: secondary, tertiary.
    void dimTextIsReadable_data()
    {
        QTest::addColumn<QColor>("window");
        QTest::addColumn<QColor>("text");
        QTest::newRow("light") << QColor(0xef, 0xef, 0xef) << QColor(Qt::black);
        QTest::newRow("dark") << QColor(0x2b, 0x2b, 0x2d) << QColor(0xf2, 0xf2, 0xf2);
        QTest::newRow("grey on grey") << QColor(0x9a, 0x9a, 0x9a) << QColor(Qt::black);
    }

    void dimTextIsReadable()
    {
        QFETCH(QColor, window);
        QFETCH(QColor, text);
        // WCAG's own figures: #767676 on white is the palest grey at 4.5:1.
        QVERIFY(PanelStyle::contrast(QColor(0x76, 0x76, 0x76), Qt::white) >= 4.5);
        QVERIFY(PanelStyle::contrast(QColor(0x77, 0x77, 0x77), Qt::white) < 4.5);
        QPalette palette;
        palette.setColor(QPalette::Window, window);
        palette.setColor(QPalette::WindowText, text);
        // Rows: the panel, a box. Columns: the background, secondary, tertiary text.
        QImage image(60, 40, QImage::Format_RGB32);
        image.fill(window);
        QPainter painter(&image);
        PanelStyle::paintBox(painter, QRectF(0, 20, 60, 20), palette);
        painter.fillRect(20, 0, 20, 40, PanelStyle::foreground(palette, PanelStyle::Level::Secondary));
        painter.fillRect(40, 0, 20, 40, PanelStyle::foreground(palette, PanelStyle::Level::Tertiary));
        painter.end();
        for (int y : {10, 30}) {
            const double secondary = PanelStyle::contrast(image.pixelColor(30, y), image.pixelColor(10, y));
            const double tertiary = PanelStyle::contrast(image.pixelColor(50, y), image.pixelColor(10, y));
            QVERIFY2(secondary >= 4.5 && tertiary >= 3 && tertiary < secondary,
                     qPrintable(u"%1:1 and %2:1"_s.arg(secondary).arg(tertiary)));
        }
    }

private:
    // Writes the statistics file (empty: no statistics), refreshes, and
    // answers the usage fetch with a 42 % session or with nothing.
    void load(const QByteArray& file, bool withUsage)
    {
        QVERIFY(StatsFiles::write(m_path, file));
        m_viewModel->refresh();
        UsageResponse usage;
        usage.fiveHour = UsageWindow{42, std::nullopt};
        m_source->complete(0, withUsage ? std::optional(usage) : std::nullopt);
    }

    QTemporaryDir m_dir;
    const QString m_path = m_dir.filePath(u"stats-cache.json"_s);
    const std::shared_ptr<FakeUsageSource> m_source = std::make_shared<FakeUsageSource>();
    std::unique_ptr<StatsViewModel> m_viewModel;
    std::unique_ptr<ContentView> m_view;
};

QTEST_MAIN(TestContentView)
#include "tst_contentview.moc"
