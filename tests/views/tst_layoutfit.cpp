// The panel at the fonts and sizes desktops use, from real statistics files
// and from extreme values: no text is cut without an ellipsis, nothing is
// pushed out of its parent, and the panel keeps to the height it is given.
// CTest runs it again at scale factors 1.25, 1.5 and 2.

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
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// A screen 1200 device pixels high, less a 40-pixel bar.
int availableHeight()
{
    return int(1200 / QGuiApplication::primaryScreen()->devicePixelRatio()) - 40;
}

const QByteArray fullReply = R"({"five_hour":{"utilization":42.0,"resets_at":"2026-05-28T17:47:00.000Z"},
  "seven_day":{"utilization":73.0,"resets_at":"2026-05-31T09:00:00.000Z"},"seven_day_opus":{"utilization":0.0},
  "seven_day_sonnet":{"utilization":18.0,"resets_at":"2026-05-31T09:00:00.000Z"},
  "extra_usage":{"is_enabled":true,"monthly_limit":5000,"used_credits":12.5}})";

const QByteArray extremeReply = R"({"five_hour":{"utilization":1e18,"resets_at":"9999-12-31T23:59:59.000Z"},
  "seven_day":{"utilization":-9.2e18,"resets_at":"9999-12-31T23:59:59.000Z"},"seven_day_opus":{"utilization":1e300},
  "seven_day_sonnet":{"utilization":99.99,"resets_at":"9999-12-31T23:59:59.000Z"},
  "extra_usage":{"is_enabled":true,"used_credits":1e300}})";

// 20 models with long identifiers and the largest and smallest 64-bit counts.
QByteArray extremeStats()
{
    const QString big = u"9223372036854775807"_s;
    const QString small = u"-9223372036854775808"_s;
    QStringList models;
    for (int i = 0; i < 20; ++i) {
        const QString id = i == 0   ? u"arn:aws:bedrock:us-east-1:123456789012:application-inference-profile/abcdef"_s
                           : i == 1 ? u"claude-opus-4-6"_s
                                    : u"vendor/some-very-long-model-name-%1-instruct-q4_K_M"_s.arg(i);
        const QString n = i % 3 == 2 ? small : (i % 3 == 1 ? QString::number(1000LL << (2 * i)) : big);
        models.append(u"\"%1\":{\"inputTokens\":%2,\"outputTokens\":%2,\"cacheReadInputTokens\":%2,"
                      "\"cacheCreationInputTokens\":%2}"_s.arg(id, n));
    }
    return (u"{\"version\":2,\"lastComputedDate\":\"2026-05-28\",\"dailyActivity\":[{\"date\":\"2026-05-28\","
            "\"messageCount\":%1,\"sessionCount\":%1,\"toolCallCount\":%2}],\"dailyModelTokens\":[{\"date\":"
            "\"2026-05-28\",\"tokensByModel\":{\"a\":%1}}],\"modelUsage\":{%3},\"totalSessions\":%2,"
            "\"totalMessages\":%1,\"firstSessionDate\":\"2025-09-30T10:00:00.000Z\"}"_s)
        .arg(big, small, models.join(u','))
        .toUtf8();
}

// Every visible text under `root` that needs more width than it has and is
// not elided, every widget squeezed below its least height, and every widget
// pushed out of its parent's width.
QStringList overflows(const QWidget* root)
{
    QStringList found;
    for (const QWidget* widget : root->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(root))
            continue;
        const QString where = widget->parentWidget()->objectName() + u'/' + widget->objectName();
        // The panel's own rows must all be in view; within their parents,
        // widgets may only overflow downwards, where a scroll area scrolls.
        const QRect inParent = widget->geometry();
        const bool top = widget->parentWidget() == root;
        if (inParent.left() < 0 || inParent.right() >= widget->parentWidget()->width()
            || (top && (inParent.top() < 0 || inParent.bottom() >= root->height())))
            found.append(u"%1 out of its parent (%2..%3 in %4)"_s.arg(where)
                             .arg(inParent.left()).arg(inParent.right()).arg(widget->parentWidget()->width()));
        if (widget->height() < widget->minimumSizeHint().height())
            found.append(u"%1 squeezed to %2 px of %3"_s.arg(where).arg(widget->height())
                             .arg(widget->minimumSizeHint().height()));
        QString text;
        int given = 0;
        QFont font = widget->font();
        if (const auto* label = qobject_cast<const QLabel*>(widget); label && !label->wordWrap()) {
            const auto* styled = qobject_cast<const StyledLabel*>(label);
            text = styled ? styled->shownText() : label->text();
            font = styled ? styled->shownFont() : font;
            given = label->contentsRect().width();
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            text = button->text();
            given = button->width();
        }
        QList<ModelList::Cell> cells{{text, font, QRect(0, 0, given, 1), {}, {}}};
        if (const auto* list = qobject_cast<const ModelList*>(widget))
            for (qsizetype row = 0; row < list->shownCount(); ++row)
                cells += list->cells(row);
        for (const ModelList::Cell& cell : cells) {
            const int needed = qCeil(QFontMetricsF(cell.font).horizontalAdvance(cell.text));
            if (cell.rect.left() < 0 || (needed > cell.rect.width() && !cell.text.contains(u'…')))
                found.append(u"%1 \"%2\" needs %3 px, has %4"_s.arg(where, cell.text.left(24)).arg(needed)
                                 .arg(cell.rect.width()));
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

        QTemporaryDir dir;
        const QString path = dir.filePath(u"stats-cache.json"_s);
        QVERIFY(StatsFiles::write(path, stats));
        const auto source = std::make_shared<FakeUsageSource>();
        const QDateTime now(QDate(2026, 5, 28), QTime(15, 42), Qt::UTC);
        StatsViewModel viewModel({std::make_shared<FixedClock>(now), path, source});
        viewModel.refresh();
        source->complete(0, UsageResponse::decode(reply));

        // Held as the panel window holds it: exactly as large as the content allows.
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        auto* view = new ContentView(viewModel);
        layout->addWidget(view);
        view->setMaximumHeight(availableHeight());
        window.show();
        layout->activate();
        QVERIFY(!window.grab().isNull()); // every section paints

        QCOMPARE(window.width(), 340);
        QVERIFY2(window.height() <= availableHeight(),
                 qPrintable(u"%1 px high, %2 available"_s.arg(window.height()).arg(availableHeight())));
        const QStringList found = overflows(view);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u"; "_s)));
    }
};

QTEST_MAIN(TestLayoutFit)
#include "tst_layoutfit.moc"
