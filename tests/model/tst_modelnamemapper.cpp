#include "model/ModelNameMapper.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(NamedColor)

class TestModelNameMapper : public QObject
{
    Q_OBJECT

private slots:
    void info_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("name");
        QTest::addColumn<NamedColor>("color");

        // Known prefixes, longer before the shorter ones they extend.
        QTest::newRow("opus 4.6") << u"claude-opus-4-6"_s << u"Opus 4.6"_s << NamedColor::Purple;
        QTest::newRow("opus 4.5 dated") << u"claude-opus-4-5-20251101"_s << u"Opus 4.5"_s << NamedColor::Indigo;
        QTest::newRow("sonnet 4.5 dated") << u"claude-sonnet-4-5-20250101"_s << u"Sonnet 4.5"_s << NamedColor::Blue;
        QTest::newRow("sonnet 4 dated") << u"claude-sonnet-4-20250101"_s << u"Sonnet 4"_s << NamedColor::Cyan;
        QTest::newRow("sonnet 4.6 matches sonnet 4") << u"claude-sonnet-4-6"_s << u"Sonnet 4"_s << NamedColor::Cyan;
        QTest::newRow("haiku 4.5") << u"claude-haiku-4-5"_s << u"Haiku 4.5"_s << NamedColor::Green;
        QTest::newRow("haiku 4 dated") << u"claude-haiku-4-20250101"_s << u"Haiku 4"_s << NamedColor::Mint;
        QTest::newRow("sonnet 3.5") << u"claude-sonnet-3-5-x"_s << u"Sonnet 3.5"_s << NamedColor::Teal;
        QTest::newRow("haiku 3.5") << u"claude-haiku-3-5"_s << u"Haiku 3.5"_s << NamedColor::Orange;
        QTest::newRow("opus 3") << u"claude-opus-3-20240229"_s << u"Opus 3"_s << NamedColor::Pink;
        QTest::newRow("thinking variant keeps its prefix") << u"claude-sonnet-4-5-thinking"_s << u"Sonnet 4.5"_s << NamedColor::Blue;

        // Fallback: drop "claude-", cut at "-20", capitalise runs of letters.
        QTest::newRow("opus 4.1 falls back") << u"claude-opus-4-1-20250101"_s << u"Opus-4-1"_s << NamedColor::Gray;
        QTest::newRow("old naming") << u"claude-3-5-sonnet-20240101"_s << u"3-5-Sonnet"_s << NamedColor::Gray;
        QTest::newRow("case differs") << u"Claude-Opus-4-6"_s << u"Claude-Opus-4-6"_s << NamedColor::Gray;
        QTest::newRow("cut is not a date check") << u"sample-2000x"_s << u"Sample"_s << NamedColor::Gray;
        QTest::newRow("every claude- removed") << u"claude-claude-x"_s << u"X"_s << NamedColor::Gray;
        QTest::newRow("empty") << QString() << QString() << NamedColor::Gray;
        QTest::newRow("dotted haiku takes the shorter prefix") << u"claude-haiku-4.5"_s << u"Haiku 4"_s << NamedColor::Mint;
        QTest::newRow("slash") << u"anthropic/claude-opus-4.6"_s << u"Anthropic/Opus-4.6"_s << NamedColor::Gray;
        QTest::newRow("colon") << u"llama3.1:8b"_s << u"Llama3.1:8B"_s << NamedColor::Gray;
        QTest::newRow("proxy with date") << u"gpt-4o-2024-11-20"_s << u"Gpt-4O"_s << NamedColor::Gray;
        QTest::newRow("mixed case lowered") << u"GLM-4.6"_s << u"Glm-4.6"_s << NamedColor::Gray;
    }

    void info()
    {
        QFETCH(QString, id);
        QFETCH(QString, name);
        QFETCH(NamedColor, color);
        QCOMPARE(ModelNameMapper::info(id), (ModelNameMapper::ModelInfo{name, color}));
    }
};

QTEST_GUILESS_MAIN(TestModelNameMapper)
#include "tst_modelnamemapper.moc"
