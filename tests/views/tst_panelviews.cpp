#include "model/StatsViewModel.h"
#include "views/ContentView.h"
#include "views/ModelList.h"
#include "views/StyledLabel.h"
#include "views/UsageBar.h"
#include "views/UsageLimitsView.h"
#include "views/UsageTrack.h"
#include "views/WeeklyChartView.h"

#include "FakeUsageSource.h"
#include "FixedClock.h"
#include "StatsFiles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBoxLayout>
#include <QDir>
#include <QFontInfo>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <climits>

using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(NamedColor)

namespace {

// Saved on Wednesday 8 January 2025 with activity that day; model totals run against their names' order.
const QByteArray fullStats = R"({"version":2,"lastComputedDate":"2025-01-08",
  "dailyActivity":[{"date":"2025-01-08","messageCount":9999,"sessionCount":3,"toolCallCount":7}],
  "dailyModelTokens":[{"date":"2025-01-08","tokensByModel":{"claude-opus-4-6":1234567}}],"modelUsage":{
    "claude-haiku-4-5":{"inputTokens":10,"outputTokens":0,"cacheReadInputTokens":0,"cacheCreationInputTokens":0},
    "claude-opus-4-6":{"inputTokens":100,"outputTokens":2000,"cacheReadInputTokens":5000,"cacheCreationInputTokens":1000}},
  "totalSessions":1234,"totalMessages":56789,"firstSessionDate":"2025-01-05T10:00:00.000Z"})";

// Activity only the day before, no models, one session, no first-session date.
const QByteArray sparseStats = R"({"version":2,"lastComputedDate":"2025-01-07","modelUsage":{},"totalSessions":1,
  "dailyActivity":[{"date":"2025-01-07","messageCount":5,"sessionCount":1,"toolCallCount":5}],"totalMessages":1,
  "dailyModelTokens":[{"date":"2025-01-07","tokensByModel":{"claude-opus-4-6":5}}]})";

// Sonnet at exactly 0 reads unused, Opus at 0.4 does not, the week just reset; the last two never show.
const QByteArray fullReply = R"({"five_hour":{"utilization":42.7},
  "seven_day":{"utilization":0,"resets_at":"2025-01-08T11:00:00.000Z"},
  "seven_day_sonnet":{"utilization":0,"resets_at":"2025-01-08T14:05:00.000Z"},
  "seven_day_opus":{"utilization":0.4,"resets_at":"2025-01-08T14:05:00.000Z"},
  "seven_day_oauth_apps":{"utilization":99},"seven_day_cowork":{"utilization":99},
  "extra_usage":{"is_enabled":true,"monthly_limit":5000,"used_credits":12.5,"utilization":0.25}})";

// No bar without a utilization; extra usage not enabled.
const QByteArray bareReply = R"({"five_hour":{"resets_at":"2025-01-08T14:05:00.000Z"},"extra_usage":{"used_credits":3}})";

const QByteArray extremeReply = R"({"five_hour":{"utilization":1e18,"resets_at":"9999-12-31T23:59:59.000Z"},
  "seven_day":{"utilization":-9.2e18,"resets_at":"9999-12-31T23:59:59.000Z"},"seven_day_opus":{"utilization":1e300},
  "extra_usage":{"is_enabled":true,"used_credits":1e300}})";

// The largest and smallest 64-bit counts, and `count` models.
QByteArray extremeStats(int count, auto name, auto tokens)
{
    QByteArray file = R"({"version":2,"lastComputedDate":"2026-05-28","dailyActivity":[{"date":"2026-05-28",
      "messageCount":9223372036854775807,"sessionCount":1,"toolCallCount":-9223372036854775808}],
      "dailyModelTokens":[{"date":"2026-05-28","tokensByModel":{"a":9223372036854775807}}],
      "totalSessions":-9223372036854775808,"totalMessages":9223372036854775807,
      "firstSessionDate":"2025-09-30T10:00:00.000Z","modelUsage":{)";
    for (int i = 0; i < count; ++i)
        file += (i ? ",\"" : "\"") + QByteArray(name(i)) + "\":{" + QByteArray(R"("inputTokens":%,"outputTokens":%,)"
                "\"cacheReadInputTokens\":%,\"cacheCreationInputTokens\":%}").replace("%", QByteArray::number(tokens(i)));
    return file + "}}";
}

// The labels' (empty or not) and buttons' texts shown, in layout order.
QStringList shownTexts(const QWidget* root, const QLayout* layout = nullptr)
{
    QStringList texts;
    layout = layout ? layout : root->layout();
    for (int i = 0; i < layout->count(); ++i) {
        const QWidget* widget = layout->itemAt(i)->widget();
        if (widget && !widget->isVisibleTo(root))
            continue;
        if (const auto* label = qobject_cast<const QLabel*>(widget))
            texts.append(label->text());
        else if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
            texts.append(button->text());
        else if (const auto* scroll = qobject_cast<const QScrollArea*>(widget))
            texts += shownTexts(root, scroll->widget()->layout());
        else if (const auto* list = qobject_cast<const ModelList*>(widget))
            for (qsizetype row = 0; row < list->count(); ++row)
                for (const ModelList::Cell& cell : list->cells(row))
                    texts.append(cell.text);
        else if (const QLayout* nested = widget ? widget->layout() : layout->itemAt(i)->layout())
            texts += shownTexts(root, nested);
    }
    return texts;
}

// Texts wider than their room and not elided, figures elided (but absurd ones), tile values elided
// before they shrank, widgets squeezed below their least height or out of their parent (but down the scroll).
QStringList faults(const QWidget* root, bool wholeFigures)
{
    static const QStringList figures{u"value"_s, u"percent"_s, u"extraSpent"_s, u"sessions"_s, u"messages"_s};
    QStringList found;
    const auto fits = [&](const QString& where, const QString& text, const QFont& font, QRect rect, bool figure) {
        const int needed = qCeil(QFontMetricsF(font).horizontalAdvance(text));
        const bool elided = text.contains(u'…');
        if (rect.left() < 0 || (needed > rect.width() && !elided) || (elided && figure && wholeFigures))
            found.append(u"%1 \"%2\" needs %3 px, has %4"_s.arg(where, text).arg(needed).arg(rect.width()));
    };
    for (const QWidget* widget : root->findChildren<QWidget*>()) {
        const QWidget* parent = widget->parentWidget();
        const QString name = widget->objectName(), where = parent->objectName() + u'/' + name;
        const QRect box = widget->geometry();
        if (!widget->isVisibleTo(root))
            continue;
        if (box.left() < 0 || box.right() >= parent->width()
            || (parent == root && (box.top() < 0 || box.bottom() >= root->height())))
            found.append(where + u" out of its parent"_s);
        if (widget->height() < widget->minimumSizeHint().height())
            found.append(u"%1 squeezed to %2 px"_s.arg(where).arg(widget->height()));
        if (const auto* label = qobject_cast<const StyledLabel*>(widget); label && !label->wordWrap()) {
            fits(where, label->shownText(), label->shownFont(), label->contentsRect(), figures.contains(name));
            if (name == u"value"_s && label->shownText() != label->text()
                && label->shownFont().pointSizeF() > label->font().pointSizeF() * PanelStyle::smallestShrink + 0.01)
                found.append(where + u" elided before it shrank"_s);
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            fits(where, button->text(), button->font(), button->rect(), false);
        } else if (const auto* list = qobject_cast<const ModelList*>(widget)) {
            for (qsizetype row = 0; row < list->shownCount(); ++row) {
                const QList<ModelList::Cell> cells = list->cells(row);
                for (qsizetype i = 0; i < cells.size(); ++i) // all but the name are figures
                    fits(where, cells[i].text, cells[i].font, cells[i].rect, i > 0);
            }
        }
    }
    return found;
}

} // namespace

class TestPanelViews : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_clock->set(QDateTime(QDate(2025, 1, 8), QTime(12, 0), Qt::UTC));
        m_view.reset();
        m_source = std::make_shared<FakeUsageSource>();
        m_viewModel = std::make_unique<StatsViewModel>(StatsViewModel::Dependencies{m_clock, m_path, m_source});
        m_view = std::make_unique<ContentView>(*m_viewModel);
    }

    void sections_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("expected");
        const QString usage = u"Plan Usage Limits|Current session|42% used|Weekly limits|All models|Resets in now|"
                              "0% used|Sonnet only|You haven't used Sonnet yet|0% used|Opus only|Resets in 2 hr 5 min|"
                              "0% used|Extra usage|$12.50 spent|"_s;
        const QString stats = u"Today|1.2M|Tokens|9,999|Messages|7|Tool Calls|Last 7 Days|Model Breakdown|Opus 4.6|"
                              "6.1K in|2.0K out|8.1K|Haiku 4.5|10 in|0 out|10|1234 sessions|56.8K messages|"
                              "Using Claude Code since Jan 5, 2025|"_s;
        QTest::newRow("neither: the notice") << QByteArray() << QByteArray() << u"No stats found|Make sure Claude Code "
            "is installed and has been used at least once.|"_s;
        QTest::newRow("usage only: no statistics, no notice")
            << QByteArray() << bareReply << u"Plan Usage Limits|Weekly limits|Extra usage|Disabled|"_s;
        QTest::newRow("both") << fullStats << fullReply << usage + stats;
        QTest::newRow("nothing today, one session, first day unknown") << sparseStats << QByteArray()
            << u"Today|0|Tokens|0|Messages|0|Tool Calls|Last 7 Days|Model Breakdown|1 sessions|1 messages|"_s;
    }

    // A closed panel catches up when opened; updates reuse widgets; Refresh rereads and fetches.
    void sections()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, reply);
        QFETCH(QString, expected);
        expected = u"Claude Code Usage|12:00|"_s + expected + u"Refresh|Quit"_s;
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        const QString before = shown();
        QVERIFY(before.startsWith(u"Claude Code Usage|No stats found"_s)); // no time yet
        m_view->setLive(false);
        load(file, reply);
        QCOMPARE(shown(), before);
        m_view->setLive(true);
        QCOMPARE(shown(), expected);

        QList<qsizetype> objects;
        for (int round = 0; round < 2; ++round) {
            for (const QByteArray& otherFile : {fullStats, sparseStats, QByteArray()})
                for (const QByteArray& otherReply : {fullReply, QByteArray()}) {
                    load(otherFile, otherReply);
                    QCoreApplication::processEvents(); // lays out and paints
                }
            load(file, reply);
            objects.append(m_view->findChildren<QObject*>().size());
        }
        QCOMPARE(objects[1], objects[0]);
        QCOMPARE(shown(), expected);

        QFile::remove(m_path);
        const qsizetype fetches = m_source->started();
        QTest::mouseClick(m_view->findChild<QAbstractButton*>(u"refreshButton"_s), Qt::LeftButton);
        QCOMPARE(m_source->started(), fetches + 1);
        QVERIFY(!shown().contains(u"Today"_s));
    }

    // A broken or hostile file may name any number of models.
    void fiftyThousandModels()
    {
        load(extremeStats(50000, [](int i) { return "model-" + QByteArray::number(i); }, [](int i) { return i * 250LL; }),
             fullReply);
        m_view->setMaximumHeight(600);
        m_view->resize(340, m_view->sizeHint().height());
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        QCOMPARE(m_view->height(), 600);
        const ModelList* list = m_view->findChild<ModelList*>();
        QCOMPARE(list->count(), 50000);
        const QWidget* footer = m_view->findChild<QWidget*>(u"summaryFooter"_s);
        QVERIFY(footer->visibleRegion().isEmpty());
        QScrollBar* bar = m_view->findChild<QScrollArea*>()->verticalScrollBar();
        bar->setValue(bar->maximum());
        QVERIFY(!m_view->grab().isNull());
        QVERIFY(!footer->visibleRegion().isEmpty());
    }

    // Secondary and tertiary text keep 4.5:1 and 3:1, in that order, on the panel and on its boxes.
    void dimTextIsReadable()
    {
        QVERIFY(PanelStyle::contrast(QColor(0x76, 0x76, 0x76), Qt::white) >= 4.5); // WCAG's palest grey at 4.5:1
        QVERIFY(PanelStyle::contrast(QColor(0x77, 0x77, 0x77), Qt::white) < 4.5);
        const std::pair<QRgb, QRgb> palettes[] = {{0xefefef, 0}, {0x2b2b2d, 0xf2f2f2}, {0x9a9a9a, 0}};
        for (const auto& [window, text] : palettes) {
            QPalette palette;
            palette.setColor(QPalette::Window, QColor::fromRgb(window));
            palette.setColor(QPalette::WindowText, QColor::fromRgb(text));
            QImage image(60, 40, QImage::Format_RGB32); // rows: panel, box; columns: background, levels
            image.fill(palette.window().color());
            QPainter painter(&image);
            PanelStyle::paintBox(painter, QRectF(0, 20, 60, 20), palette);
            painter.fillRect(20, 0, 20, 40, PanelStyle::foreground(palette, PanelStyle::Level::Secondary));
            painter.fillRect(40, 0, 20, 40, PanelStyle::foreground(palette, PanelStyle::Level::Tertiary));
            painter.end();
            for (int y : {10, 30}) {
                const QColor ground = image.pixelColor(10, y);
                const double secondary = PanelStyle::contrast(image.pixelColor(30, y), ground);
                const double tertiary = PanelStyle::contrast(image.pixelColor(50, y), ground);
                QVERIFY2(secondary >= 4.5 && tertiary >= 3 && tertiary < secondary,
                         qPrintable(u"on %1: %2:1 and %3:1"_s.arg(QColor(window).name()).arg(secondary).arg(tertiary)));
            }
        }
    }

    // The whole-number text, the fill's colour and width on a 300 px track.
    void bar_data()
    {
        QTest::addColumn<double>("percentage");
        QTest::addColumn<QString>("text");
        QTest::addColumn<NamedColor>("color");
        QTest::addColumn<double>("fill");
        QTest::newRow("69.99") << 69.99 << u"69% used"_s << NamedColor::Blue << 209.97;
        QTest::newRow("70") << 70.0 << u"70% used"_s << NamedColor::Orange << 210.0;
        QTest::newRow("90") << 90.0 << u"90% used"_s << NamedColor::Red << 270.0;
        QTest::newRow("120 runs past the track") << 120.0 << u"120% used"_s << NamedColor::Red << 360.0;
        QTest::newRow("not a number") << qQNaN() << QString() << NamedColor::Blue << 0.0;
        QTest::newRow("beyond 64 bits") << 1e19 << QString() << NamedColor::Red << 3e19;
    }

    void bar()
    {
        QFETCH(double, percentage);
        QFETCH(NamedColor, color);
        QFETCH(double, fill);
        UsageBar bar(u"bar"_s);
        bar.setValues(u"Label"_s, std::nullopt, percentage);
        const QLabel* percent = bar.findChild<QLabel*>(u"percent"_s);
        QTEST(percent->isVisibleTo(&bar) ? percent->text() : QString(), "text");
        UsageTrack track;
        track.setPercentage(percentage);
        track.resize(300, 6);
        const QImage drawn = track.grab().toImage();
        const QColor named = PanelStyle::named(color, track.palette());
        QVERIFY(fill < 6 || drawn.pixelColor(int(std::min(fill, 300.0)) - 3, 3) == named);
        QVERIFY(fill >= 297 || drawn.pixelColor(int(fill) + 3, 3) != named);
    }

    // With a reset ahead, a tick at the share of the window gone by and the pace in the tooltip.
    void pace()
    {
        UsageResponse reply;
        reply.fiveHour = UsageWindow{62.4, m_clock->now().addSecs(9000).toString(Qt::ISODateWithMs)}; // half gone
        reply.sevenDay = UsageWindow{10.0, std::nullopt};
        UsageLimitsView view;
        view.setUsage(reply, m_clock->now());
        view.resize(340, view.sizeHint().height());
        const auto* session = view.findChild<UsageBar*>(u"currentSession"_s);
        const auto* weekly = view.findChild<UsageBar*>(u"allModels"_s);
        QCOMPARE(session->toolTip(), u"12 % ahead of an even pace"_s);
        QCOMPARE(session->accessibleDescription(), session->toolTip());
        QCOMPARE(weekly->toolTip(), QString());
        for (UsageTrack* track : {session->track(), weekly->track()}) { // the tick half way along
            const QImage drawn = track->grab().toImage();
            const int x = drawn.width() / 2, y = drawn.height() / 2;
            QCOMPARE(drawn.pixelColor(x, y) != drawn.pixelColor(x + 12, y), track == session->track());
        }
    }

    // "$%.2f" as printf rounds (ties to even on the exact double), in German too.
    void spentText_data()
    {
        QTest::addColumn<double>("credits");
        QTest::addColumn<QString>("expected");
        QTest::newRow("0.125: to even") << 0.125 << u"$0.12 spent"_s;
        QTest::newRow("0.375: to even") << 0.375 << u"$0.38 spent"_s;
        QTest::newRow("2.675, below as a double") << 2.675 << u"$2.67 spent"_s;
        QTest::newRow("1e21: no exponent") << 1e21 << u"$1000000000000000000000.00 spent"_s;
    }

    void spentText()
    {
        QFETCH(double, credits);
        QTEST(UsageLimitsView::spentText(credits), "expected");
    }

    // A bar per record in order, under its weekday or its date's last five characters; the axis
    // scales as the tiles do, with a full stop in every locale.
    void chartBars_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("dates");
        QTest::addColumn<QString>("labels");
        const QString week = u"2025-01-02|2025-01-03|2025-01-04|2025-01-05|2025-01-06|2025-01-07|2025-01-08"_s;
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("Thursday to Wednesday") << english << week << u"Thu|Fri|Sat|Sun|Mon|Tue|Wed"_s;
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << week << u"Do.|Fr.|Sa.|So.|Mo.|Di.|Mi."_s;
        QTest::newRow("not dates") << english << u"not-a-date|abc|2025-02-30"_s << u"-date|abc|02-30"_s;
    }

    void chartBars()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, dates);
        QFETCH(QString, labels);
        QLocale::setDefault(locale);
        constexpr qint64 counts[] = {5, 0, 9, -4, 7, 1, 3};
        QList<DailyActivity> days;
        QList<ChartPoint> expected;
        for (qsizetype i = 0; i < dates.count(u'|') + 1; ++i) {
            days.append({dates.section(u'|', i, i), counts[i], 0, 0});
            expected.append({labels.section(u'|', i, i), counts[i]});
        }
        QCOMPARE(WeeklyChartView::chartData(days), expected);
        WeeklyChartView view;
        view.setActivities({{u"2025-01-08"_s, 1500, 0, 0}});
        QCOMPARE(view.findChild<WeeklyChart*>()->tickLabels(), (QStringList{u"0"_s, u"500"_s, u"1K"_s, u"1.5K"_s}));
    }

    // Real files and extreme values in desktops' fonts, on a screen 1200 device pixels high, at each scale.
    void fits_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("points");
        QTest::addColumn<QByteArray>("stats");
        QTest::addColumn<QByteArray>("reply");
        const auto name = [](int i) {
            return i ? "vendor/some-very-long-model-name-" + QByteArray::number(i) + "-instruct-q4_K_M"
                     : "arn:aws:bedrock:us-east-1:123456789012:application-inference-profile/abc";
        };
        const auto tokens = [](int i) { return i % 3 ? (i % 3 == 1 ? 1000LL << (2 * i) : LLONG_MIN) : LLONG_MAX; };
        const auto read = [](const QString& path) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        QList<std::tuple<QString, QByteArray, QByteArray>> inputs{{u"extreme"_s, extremeStats(20, name, tokens), extremeReply}};
        const QDir real(u"" OSTREL_TEST_DATA "/real/stats"_s);
        const QByteArray reply = read(u"" OSTREL_TEST_DATA "/../../docs/screenshot/usage-reply.json"_s);
        for (const QString& file : real.entryList({u"*.json"_s}, QDir::Files, QDir::Name))
            inputs.append({file, read(real.filePath(file)), reply});
        for (const QString& family : {u"DejaVu Sans"_s, u"Noto Sans"_s, u"Cantarell"_s})
            for (int points : {10, 11, 12})
                for (const auto& [input, stats, reply] : inputs)
                    QTest::addRow("%s %s %dpt", qPrintable(input), qPrintable(family), points)
                        << family << points << stats << reply;
    }

    void fits()
    {
        QFETCH(QString, family);
        QFETCH(int, points);
        QFETCH(QByteArray, stats);
        QFETCH(QByteArray, reply);
        QApplication::setFont(QFont(family, points));
        QCOMPARE(QFontInfo(QApplication::font()).family(), family); // scripts/install-deps.sh installs the fonts
        const int available = int(1200 / qApp->devicePixelRatio()) - 40;
        m_clock->set(QDateTime(QDate(2026, 5, 28), QTime(15, 42), Qt::UTC));
        load(stats, reply);
        QWidget window; // held as the panel window holds it: exactly as large as the content allows
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        auto* view = new ContentView(*m_viewModel); // made in this font
        layout->addWidget(view);
        view->setMaximumHeight(available);
        window.show();
        layout->activate();
        QVERIFY(!window.grab().isNull()); // every section paints
        QCOMPARE(window.width(), 340);
        QVERIFY2(window.height() <= available, qPrintable(u"%1 px high"_s.arg(window.height())));
        const QStringList found = faults(view, reply != extremeReply);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u"; "_s)));
    }

private:
    QString shown() const { return shownTexts(m_view.get()).join(u'|'); }

    // An empty file or reply: none, no connection.
    void load(const QByteArray& file, const QByteArray& reply)
    {
        QVERIFY(StatsFiles::write(m_path, file));
        m_viewModel->refresh();
        m_source->complete(0, reply.isEmpty() ? std::nullopt : UsageResponse::decode(reply));
    }

    QTemporaryDir m_dir;
    const QString m_path = m_dir.filePath(u"stats-cache.json"_s);
    const std::shared_ptr<FixedClock> m_clock = std::make_shared<FixedClock>(QDateTime());
    std::shared_ptr<FakeUsageSource> m_source;
    std::unique_ptr<StatsViewModel> m_viewModel;
    std::unique_ptr<ContentView> m_view;
};

QTEST_MAIN(TestPanelViews)
#include "tst_panelviews.moc"
