#include "views/ModelBreakdownView.h"
#include "views/ModelRow.h"
#include "views/SymbolView.h"

#include "ViewTexts.h"

#include <QTest>

#include <limits>

using namespace Qt::Literals::StringLiterals;

using ModelMap = QMap<QString, ModelUsage>;
Q_DECLARE_METATYPE(ModelMap)

namespace {

ModelUsage usage(qint64 input, qint64 output, qint64 cacheRead, qint64 cacheCreation)
{
    ModelUsage u;
    u.inputTokens = input;
    u.outputTokens = output;
    u.cacheReadInputTokens = cacheRead;
    u.cacheCreationInputTokens = cacheCreation;
    return u;
}

QStringList rowTexts(const ModelBreakdownView& view)
{
    QStringList texts;
    for (const ModelRow* row : view.visibleRows())
        texts.append(ViewTexts::visible(row).join(u'|'));
    return texts;
}

} // namespace

class TestModelBreakdownView : public QObject
{
    Q_OBJECT

private slots:
    void rows_data()
    {
        QTest::addColumn<ModelMap>("models");
        QTest::addColumn<QStringList>("rows");

        QTest::newRow("heaviest first")
            << ModelMap{{u"claude-haiku-4-5"_s, usage(10, 0, 0, 0)},
                                         {u"claude-opus-4-6"_s, usage(0, 30, 0, 0)},
                                         {u"claude-sonnet-4-5-20250101"_s, usage(0, 0, 20, 0)}}
            << QStringList{u"Opus 4.6|0 in|30 out|30"_s, u"Sonnet 4.5|20 in|0 out|20"_s,
                           u"Haiku 4.5|10 in|0 out|10"_s};
        QTest::newRow("cache counts in, never out")
            << ModelMap{{u"claude-opus-4-6"_s, usage(100, 2000, 5000, 1000)}}
            << QStringList{u"Opus 4.6|6.1K in|2.0K out|8.1K"_s};
        QTest::newRow("zero sorts last, equal totals by identifier")
            << ModelMap{{u"b-model"_s, usage(0, 0, 0, 0)},
                                         {u"claude-opus-4-6"_s, usage(1, 0, 0, 0)},
                                         {u"a-model"_s, usage(0, 0, 0, 0)}}
            << QStringList{u"Opus 4.6|1 in|0 out|1"_s, u"A-Model|0 in|0 out|0"_s, u"B-Model|0 in|0 out|0"_s};
        QTest::newRow("unknown identifier keeps a row")
            << ModelMap{{u"claude-opus-4-1-20250805"_s, usage(1500000000, 0, 0, 0)}}
            << QStringList{u"Opus-4-1|1.5B in|0 out|1.5B"_s};
        QTest::newRow("markup is shown as text")
            << ModelMap{{u"<b>bold</b>"_s, usage(1, 0, 0, 0)}}
            << QStringList{u"<B>Bold</B>|1 in|0 out|1"_s};
        constexpr qint64 max = std::numeric_limits<qint64>::max();
        QTest::newRow("sums saturate")
            << ModelMap{{u"claude-opus-4-6"_s, usage(max, max, max, max)}}
            << QStringList{u"Opus 4.6|9223372036.9B in|9223372036.9B out|9223372036.9B"_s};
        QTest::newRow("no models") << ModelMap{} << QStringList{};
    }

    void rows()
    {
        QFETCH(ModelMap, models);
        QFETCH(QStringList, rows);
        ModelBreakdownView view;
        view.setModelUsage(models);
        QCOMPARE(rowTexts(view), rows);
        QCOMPARE(ViewTexts::visible(&view).first(), u"Model Breakdown"_s);
        QCOMPARE(ViewTexts::visible(&view).size(), 1 + 4 * rows.size());
    }

    void dotsAndTotalsColumn()
    {
        ModelBreakdownView view;
        view.setModelUsage({{u"claude-opus-4-6"_s, usage(1, 0, 0, 0)}, {u"mystery"_s, usage(123456789, 0, 0, 0)}});
        view.resize(308, view.sizeHint().height());
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QList<const ModelRow*> rows = view.visibleRows();
        QCOMPARE(rows.size(), 2);
        const SymbolView* grayDot = rows[0]->findChild<SymbolView*>(u"dot"_s);
        const SymbolView* purpleDot = rows[1]->findChild<SymbolView*>(u"dot"_s);
        QCOMPARE(grayDot->size(), QSize(8, 8));
        QCOMPARE(grayDot->color(), PanelStyle::named(NamedColor::Gray, grayDot->palette()));
        QCOMPARE(purpleDot->color(), PanelStyle::named(NamedColor::Purple, purpleDot->palette()));
        // Totals share one right-aligned column, 55 wide, 8 from the row's end.
        for (const ModelRow* row : rows) {
            const QLabel* total = row->findChild<QLabel*>(u"total"_s);
            QCOMPARE(total->width(), ModelRow::totalColumnWidth);
            QCOMPARE(total->geometry().right(), row->width() - 8 - 1);
        }
    }

    // Fewer models later hide rows; more reuse them before making new ones.
    void rowsAreReused()
    {
        ModelBreakdownView view;
        const QMap<QString, ModelUsage> three{{u"a"_s, usage(3, 0, 0, 0)}, {u"b"_s, usage(2, 0, 0, 0)},
                                              {u"c"_s, usage(1, 0, 0, 0)}};
        view.setModelUsage(three);
        const qsizetype widgets = view.findChildren<QWidget*>().size();
        view.setModelUsage({{u"z"_s, usage(1, 0, 0, 0)}});
        QCOMPARE(view.visibleRows().size(), 1);
        view.setModelUsage(three);
        QCOMPARE(view.findChildren<QWidget*>().size(), widgets);
        QCOMPARE(view.visibleRows().size(), 3);
    }
};

QTEST_MAIN(TestModelBreakdownView)
#include "tst_modelbreakdownview.moc"
