// The panel at the fonts and sizes desktops use, from the real statistics
// files and from extreme values, on a screen 1200 device pixels high (CTest
// runs it at scale factors 1, 1.25, 1.5 and 2): no text needs more width than
// it was given unless it is elided, no widget is squeezed below its least
// height or pushed out of its parent, and the panel keeps to the height given.

#include "model/StatsViewModel.h"
#include "views/ContentView.h"
#include "views/ModelList.h"
#include "views/StyledLabel.h"

#include "FakeUsageSource.h"
#include "FixedClock.h"
#include "StatsFiles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBoxLayout>
#include <QDir>
#include <QFontInfo>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray fullReply = R"({"five_hour":{"utilization":42.0,"resets_at":"2026-05-28T17:47:00.000Z"},
  "seven_day":{"utilization":73.0,"resets_at":"2026-05-31T09:00:00.000Z"},"seven_day_opus":{"utilization":0.0},
  "seven_day_sonnet":{"utilization":18.0,"resets_at":"2026-05-31T09:00:00.000Z"},
  "extra_usage":{"is_enabled":true,"monthly_limit":5000,"used_credits":12.5}})";

const QByteArray extremeReply = R"({"five_hour":{"utilization":1e18,"resets_at":"9999-12-31T23:59:59.000Z"},
  "seven_day":{"utilization":-9.2e18,"resets_at":"9999-12-31T23:59:59.000Z"},"seven_day_opus":{"utilization":1e300},
  "extra_usage":{"is_enabled":true,"used_credits":1e300}})";

// 20 models with long identifiers; the largest and smallest 64-bit counts.
QByteArray extremeStats()
{
    const QString big = u"9223372036854775807"_s, small = u"-9223372036854775808"_s;
    QStringList models;
    for (int i = 0; i < 20; ++i)
        models.append(u"\"%1\":{\"inputTokens\":%2,\"outputTokens\":%2,\"cacheReadInputTokens\":%2,"
                      "\"cacheCreationInputTokens\":%2}"_s
                          .arg(i ? u"vendor/some-very-long-model-name-%1-instruct-q4_K_M"_s.arg(i)
                                 : u"arn:aws:bedrock:us-east-1:123456789012:application-inference-profile/abc"_s,
                               i % 3 == 2 ? small : (i % 3 ? QString::number(1000LL << (2 * i)) : big)));
    return u"{\"version\":2,\"lastComputedDate\":\"2026-05-28\",\"dailyActivity\":[{\"date\":\"2026-05-28\","
           "\"messageCount\":%1,\"sessionCount\":1,\"toolCallCount\":%2}],\"dailyModelTokens\":[{\"date\":"
           "\"2026-05-28\",\"tokensByModel\":{\"a\":%1}}],\"modelUsage\":{%3},\"totalSessions\":%2,"
           "\"totalMessages\":%1,\"firstSessionDate\":\"2025-09-30T10:00:00.000Z\"}"_s
        .arg(big, small, models.join(u','))
        .toUtf8();
}

// What is wrong with the layout under `root`, one entry per fault. Only
// absurd values (`wholeFigures` false) may have their figures elided.
QStringList faults(const QWidget* root, bool wholeFigures)
{
    static const QStringList figures{u"value"_s, u"percent"_s, u"extraSpent"_s, u"sessions"_s, u"messages"_s};
    QStringList found;
    for (const QWidget* widget : root->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(root))
            continue;
        const QWidget* parent = widget->parentWidget();
        const QString where = parent->objectName() + u'/' + widget->objectName();
        // Only within the scroll area may widgets reach past the bottom.
        const QRect box = widget->geometry();
        if (box.left() < 0 || box.right() >= parent->width()
            || (parent == root && (box.top() < 0 || box.bottom() >= root->height())))
            found.append(where + u" out of its parent"_s);
        if (widget->height() < widget->minimumSizeHint().height())
            found.append(u"%1 squeezed to %2 px"_s.arg(where).arg(widget->height()));

        QList<std::pair<ModelList::Cell, bool>> texts; // and whether it is a figure
        const bool figure = figures.contains(widget->objectName());
        if (const auto* label = qobject_cast<const StyledLabel*>(widget); label && !label->wordWrap()) {
            texts.append({{label->shownText(), label->shownFont(), label->contentsRect(), {}, {}}, figure});
            if (widget->objectName() == u"value"_s && label->shownText() != label->text()
                && label->shownFont().pointSizeF() > label->font().pointSizeF() * PanelStyle::smallestShrink + 0.01)
                found.append(where + u" elided before it shrank"_s);
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
            texts.append({{button->text(), button->font(), button->rect(), {}, {}}, false});
        else if (const auto* list = qobject_cast<const ModelList*>(widget))
            for (qsizetype row = 0; row < list->shownCount(); ++row)
                for (const ModelList::Cell& cell : list->cells(row))
                    texts.append({cell, texts.size() % 4 != 0}); // all but the name
        for (const auto& [text, isFigure] : texts) {
            const int needed = qCeil(QFontMetricsF(text.font).horizontalAdvance(text.text));
            const bool elided = text.text.contains(u'…');
            if (text.rect.left() < 0 || (needed > text.rect.width() && !elided) || (elided && isFigure && wholeFigures))
                found.append(u"%1 \"%2\" needs %3 px, has %4"_s.arg(where, text.text).arg(needed).arg(text.rect.width()));
        }
    }
    return found;
}

} // namespace

class TestLayoutFit : public QObject
{
    Q_OBJECT

private slots:
    void fits_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("points");
        QTest::addColumn<QByteArray>("stats");
        QTest::addColumn<QByteArray>("reply");

        QList<std::tuple<QString, QByteArray, QByteArray>> inputs{{u"extreme"_s, extremeStats(), extremeReply}};
        const QDir real(QStringLiteral(OSTREL_TEST_DATA "/real/stats"));
        for (const QString& name : real.entryList({u"*.json"_s}, QDir::Files, QDir::Name)) {
            QFile file(real.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            inputs.append({name, file.readAll(), fullReply});
        }
        for (const QString& family : {u"DejaVu Sans"_s, u"Noto Sans"_s, u"Cantarell"_s})
            for (int points : {9, 10, 11, 12})
                for (const auto& [name, stats, reply] : inputs)
                    QTest::addRow("%s %s %dpt", qPrintable(name), qPrintable(family), points)
                        << family << points << stats << reply;
    }

    void fits()
    {
        QFETCH(QString, family);
        QFETCH(int, points);
        QFETCH(QByteArray, stats);
        QFETCH(QByteArray, reply);
        const QFont font(family, points);
        QCOMPARE(QFontInfo(font).family(), family); // scripts/install-deps.sh installs the fonts
        QApplication::setFont(font);
        const int available = int(1200 / QGuiApplication::primaryScreen()->devicePixelRatio()) - 40;

        QTemporaryDir dir;
        QVERIFY(StatsFiles::write(dir.filePath(u"stats-cache.json"_s), stats));
        const auto source = std::make_shared<FakeUsageSource>();
        const QDateTime now(QDate(2026, 5, 28), QTime(15, 42), Qt::UTC);
        StatsViewModel viewModel({std::make_shared<FixedClock>(now), dir.filePath(u"stats-cache.json"_s), source});
        viewModel.refresh();
        source->complete(0, UsageResponse::decode(reply));

        // Held as the panel window holds it: exactly as large as the content allows.
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        auto* view = new ContentView(viewModel);
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
};

QTEST_MAIN(TestLayoutFit)
#include "tst_layoutfit.moc"
