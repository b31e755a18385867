#include "stats/StatsLoader.h"

#include "StatsFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

class TestStatsLoader : public QObject
{
    Q_OBJECT

public:
    explicit TestStatsLoader(QString home)
        : m_home(std::move(home))
    {
    }

private slots:
    void pathIsFixedUnderTheHomeDirectory()
    {
        QCOMPARE(StatsLoader::statsURL(), m_home + u"/.claude/stats-cache.json"_s);
        // Neither the working directory nor a later HOME moves it.
        QDir::setCurrent(QDir::tempPath());
        qputenv("HOME", "/elsewhere");
        QCOMPARE(StatsLoader::statsURL(), m_home + u"/.claude/stats-cache.json"_s);
    }

    void readsOnlyBoundedRegularFiles()
    {
        const QString small = m_dir.filePath(u"small.json"_s);
        const QByteArray content = QByteArray(200'000, 'x') + "end";
        QVERIFY(StatsFiles::write(small, content));
        QCOMPARE(StatsLoader::readFile(small), std::optional<QByteArray>(content));

        QVERIFY(!StatsLoader::readFile(m_dir.filePath(u"missing.json"_s)));
        QVERIFY(!StatsLoader::readFile(m_dir.path()));
        // A FIFO would block a reader until some writer appeared.
        const QString fifo = m_dir.filePath(u"fifo.json"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(!StatsLoader::readFile(fifo));
        // Sparse, so it costs no disk; refusing it must not cost memory either.
        const QString huge = m_dir.filePath(u"huge.json"_s);
        QFile file(huge);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(StatsLoader::maxFileSize + 1));
        file.close();
        QVERIFY(!StatsLoader::readFile(huge));
    }

private:
    QString m_home;
    QTemporaryDir m_dir;
};

int main(int argc, char** argv)
{
    // The path is fixed on first use, so point HOME somewhere known first.
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    QCoreApplication app(argc, argv);
    TestStatsLoader test(home.path());
    return QTest::qExec(&test, argc, argv);
}

#include "tst_statsloader.moc"
