#include "stats/StatsLoader.h"

#include <QDir>
#include <QFile>
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
    void pathIsUnderTheHomeDirectory()
    {
        QCOMPARE(StatsLoader::statsURL(), m_home + u"/.claude/stats-cache.json"_s);
        // Fixed on first use: neither the working directory nor HOME moves it.
        const QString before = QDir::currentPath();
        QDir::setCurrent(QDir::tempPath());
        qputenv("HOME", "/elsewhere");
        QCOMPARE(StatsLoader::statsURL(), m_home + u"/.claude/stats-cache.json"_s);
        QDir::setCurrent(before);
    }

    void readsWholeFile()
    {
        const QString path = m_dir.filePath(u"small.json"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray content = QByteArray(200'000, 'x') + "end";
        file.write(content);
        file.close();
        QCOMPARE(StatsLoader::readFile(path), std::optional<QByteArray>(content));
    }

    void refusesWhatIsNotAReadableFile()
    {
        QVERIFY(!StatsLoader::readFile(m_dir.filePath(u"missing.json"_s)));
        QVERIFY(!StatsLoader::readFile(m_dir.path()));

        // A FIFO would block a reader until some writer appeared.
        const QString fifo = m_dir.filePath(u"fifo.json"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(!StatsLoader::readFile(fifo));

        const QString locked = m_dir.filePath(u"locked.json"_s);
        QFile file(locked);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{}");
        file.close();
        file.setPermissions({});
        if (::geteuid() != 0) // root reads anything
            QVERIFY(!StatsLoader::readFile(locked));
    }

    void refusesHugeFiles()
    {
        // Sparse: costs no disk space, and must not cost memory either.
        const QString path = m_dir.filePath(u"huge.json"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(StatsLoader::maxFileSize + 1));
        file.close();
        QVERIFY(!StatsLoader::readFile(path));
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
