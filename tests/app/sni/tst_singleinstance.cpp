#include "app/sni/SingleInstance.h"

#include "BusPeer.h"

#include <QCoreApplication>
#include <QDBusContext>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <cstdlib>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

// This test program doubles as the later launch: started with this
// argument it claims the name like the application would and exits 0 as a
// secondary, 3 as a primary.
constexpr const char* secondLaunchFlag = "--second-launch";

int runSecondLaunch(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SingleInstance instance(QDBusConnection::sessionBus(), QString::fromLocal8Bit(argv[2]));
    return instance.claim() == SingleInstance::Role::Secondary ? 0 : 3;
}

// A first instance that hangs: it holds the name and takes the call, but
// never answers.
class HungInstance : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    int calls = 0;

public slots:
    void Activate(const QVariantMap&)
    {
        ++calls;
        setDelayedReply(true);
    }
};

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session"); }

    void init() { qunsetenv("XDG_ACTIVATION_TOKEN"); }

    void alonePrimary()
    {
        QCOMPARE(runSecondLaunchProcess(u"io.github.ostrel.Alone"_s, {}), 3);
    }

    void laterLaunchReachesTheFirst()
    {
        SingleInstance first(QDBusConnection::sessionBus(), u"io.github.ostrel.Ostrel"_s);
        QCOMPARE(first.claim(), SingleInstance::Role::Primary);
        QCOMPARE(first.claim(), SingleInstance::Role::Primary);
        QSignalSpy activated(&first, &SingleInstance::activationRequested);

        QCOMPARE(runSecondLaunchProcess(u"io.github.ostrel.Ostrel"_s, {{u"XDG_ACTIVATION_TOKEN"_s, u"launcher-token-7"_s}}), 0);
        QCOMPARE(activated.size(), 1);
        // The launcher's token travels along so the panel may take focus.
        QCOMPARE(qgetenv("XDG_ACTIVATION_TOKEN"), QByteArray("launcher-token-7"));

        QCOMPARE(runSecondLaunchProcess(u"io.github.ostrel.Ostrel"_s, {}), 0);
        QCOMPARE(activated.size(), 2);
    }

    void nameIsFreedWithTheInstance()
    {
        {
            SingleInstance first(QDBusConnection::sessionBus(), u"io.github.ostrel.Gone"_s);
            QCOMPARE(first.claim(), SingleInstance::Role::Primary);
        }
        QCOMPARE(runSecondLaunchProcess(u"io.github.ostrel.Gone"_s, {}), 3);
    }

    void hungFirstInstanceDoesNotHangTheLaunch()
    {
        BusPeer peer(u"hung"_s);
        HungInstance hung;
        QVERIFY(peer.bus().registerObject(u"/io/github/ostrel/Hung"_s, &hung, QDBusConnection::ExportAllSlots));
        QVERIFY(peer.bus().registerService(u"io.github.ostrel.Hung"_s));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(runSecondLaunchProcess(u"io.github.ostrel.Hung"_s, {}), 0);
        QCOMPARE(hung.calls, 1);
        // Bounded by the call timeout, not D-Bus's default 25 s.
        QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
    }

    void withoutABusAlonePrimary()
    {
        SingleInstance instance(QDBusConnection(u"never-connected"_s), u"io.github.ostrel.Ostrel"_s);
        QCOMPARE(instance.claim(), SingleInstance::Role::Primary);
    }

    void objectPath_data()
    {
        QTest::addColumn<QString>("appId");
        QTest::addColumn<QString>("path");
        QTest::newRow("ours") << u"io.github.ostrel.Ostrel"_s << u"/io/github/ostrel/Ostrel"_s;
        QTest::newRow("dash in an element") << u"org.example.my-app"_s << u"/org/example/my_app"_s;
    }

    void objectPath()
    {
        QFETCH(QString, appId);
        QFETCH(QString, path);
        QCOMPARE(SingleInstance(QDBusConnection(u"never-connected"_s), appId).objectPath(), path);
    }

private:
    // Runs the later launch and keeps this process answering while it waits.
    int runSecondLaunchProcess(const QString& appId, const QList<std::pair<QString, QString>>& environment)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(u"XDG_ACTIVATION_TOKEN"_s);
        for (const auto& [name, value] : environment)
            env.insert(name, value);
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QSignalSpy finished(&process, &QProcess::finished);
        process.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(secondLaunchFlag), appId});
        if (!process.waitForStarted(10000))
            return -1;
        if (!finished.wait(30000)) {
            process.kill();
            process.waitForFinished();
            return -2;
        }
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -3;
    }
};

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], secondLaunchFlag) == 0)
        return runSecondLaunch(argc, argv);
    QCoreApplication app(argc, argv);
    TestSingleInstance test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstance.moc"
