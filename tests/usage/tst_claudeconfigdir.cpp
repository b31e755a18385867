#include "stats/StatsLoader.h"
#include "usage/ClaudeConfigDir.h"
#include "usage/OAuthCredentials.h"

#include "StatsFiles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestClaudeConfigDir : public QObject
{
    Q_OBJECT

private slots:
    void resolve_data()
    {
        QTest::addColumn<QString>("variable"); // null: unset
        QTest::addColumn<QString>("folder");

        QTest::newRow("unset") << QString() << u"/home/u/.claude"_s;
        QTest::newRow("empty") << u""_s << u"/home/u/.claude"_s;
        QTest::newRow("absolute") << u"/srv/claude"_s << u"/srv/claude"_s;
        QTest::newRow("absolute, trailing slash") << u"/srv/claude/"_s << u"/srv/claude"_s;
        // Relative to whatever folder Claude Code ran in: nothing we can follow.
        QTest::newRow("relative") << u"claude"_s << u"/home/u/.claude"_s;
        QTest::newRow("tilde is not expanded") << u"~/claude"_s << u"/home/u/.claude"_s;
    }

    void resolve()
    {
        QFETCH(QString, variable);
        QFETCH(QString, folder);
        QCOMPARE(ClaudeConfigDir::resolve(variable, u"/home/u"_s), folder);
    }

    // Both files come from the folder the variable names, as found on first use.
    void followedForBothFiles()
    {
        QTemporaryDir folder;
        qputenv("CLAUDE_CONFIG_DIR", QFile::encodeName(folder.path()));
        QVERIFY(StatsFiles::write(folder.filePath(u".credentials.json"_s),
                                  R"({"claudeAiOauth":{"accessToken":"from-config-dir"}})"));
        QCOMPARE(OAuthCredentials::read(QString())->accessToken, u"from-config-dir"_s);
        QCOMPARE(StatsLoader::statsURL(), folder.filePath(u"stats-cache.json"_s));

        qputenv("CLAUDE_CONFIG_DIR", "/elsewhere");
        QCOMPARE(StatsLoader::statsURL(), folder.filePath(u"stats-cache.json"_s));
        QCOMPARE(OAuthCredentials::defaultFilePath(), folder.filePath(u".credentials.json"_s));
    }
};

QTEST_GUILESS_MAIN(TestClaudeConfigDir)
#include "tst_claudeconfigdir.moc"
