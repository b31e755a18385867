#include "app/sni/StatusAreaHost.h"

#include "BusPeer.h"
#include "FakeStatusNotifierWatcher.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <sys/prctl.h>

#include <memory>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;
using Presentation = StatusAreaHost::Presentation;

namespace {

QByteArray ownProcessName()
{
    QFile comm(u"/proc/self/comm"_s);
    return comm.open(QIODevice::ReadOnly) ? comm.readAll().trimmed() : QByteArray();
}

// The fake watcher runs in this process, so the bus reports this process
// as its owner: renaming it stands in for the panel's process.
void renameProcess(const QByteArray& name)
{
    prctl(PR_SET_NAME, name.constData(), 0, 0, 0);
}

} // namespace

class TestStatusAreaHost : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
        m_ownName = ownProcessName();
        QVERIFY(!m_ownName.isEmpty());
    }

    void cleanup()
    {
        m_host.reset();
        m_watcher.reset();
        renameProcess(m_ownName);
        QTRY_VERIFY(!watcherRunning());
    }

    void decidesOnce_data()
    {
        QTest::addColumn<bool>("watcher");
        QTest::addColumn<bool>("hostRegistered");
        QTest::addColumn<Presentation>("presentation");
        QTest::newRow("no watcher: XEmbed") << false << false << Presentation::SystemTrayFallback;
        QTest::newRow("watcher without host: XEmbed") << true << false << Presentation::SystemTrayFallback;
        QTest::newRow("watcher with host: our item") << true << true << Presentation::StatusNotifierItem;
    }

    void decidesOnce()
    {
        QFETCH(bool, watcher);
        QFETCH(bool, hostRegistered);
        if (watcher)
            startWatcher(hostRegistered);
        makeHost(2s);
        QCOMPARE(m_host->presentation(), Presentation::Undecided);
        QSignalSpy changed(m_host.get(), &StatusAreaHost::changed);
        QVERIFY(changed.wait());
        QTEST(m_host->presentation(), "presentation");
        QCOMPARE(m_host->iconCarriesPercent(), true); // this test's process is no known host
        QTest::qWait(100);
        QCOMPARE(changed.size(), 1);
    }

    void gnomeShellShowsTheLabel()
    {
        renameProcess("gnome-shell");
        startWatcher(true);
        makeHost(2s);
        QTRY_COMPARE(m_host->presentation(), Presentation::StatusNotifierItem);
        QCOMPARE(m_host->watcherProcessName(), u"gnome-shell"_s);
        QCOMPARE(m_host->hostTraits().label, HostRules::LabelSupport::Shown);
        QVERIFY(m_host->hostTraits().darkPanel);
        QVERIFY(!m_host->iconCarriesPercent());
    }

    void otherOwnersGetThePercentage()
    {
        renameProcess("kded5");
        startWatcher(true);
        makeHost(2s);
        QTRY_COMPARE(m_host->presentation(), Presentation::StatusNotifierItem);
        QCOMPARE(m_host->watcherProcessName(), u"kded5"_s);
        QVERIFY(m_host->iconCarriesPercent());
    }

    void watcherServingLateIsAskedAgain()
    {
        // status-notifier-watcher takes its name before it serves its object.
        m_watcher = std::make_unique<FakeStatusNotifierWatcher>(true, 500ms);
        QVERIFY(m_watcher->started());
        makeHost(2s);
        QSignalSpy changed(m_host.get(), &StatusAreaHost::changed);
        QTRY_COMPARE_WITH_TIMEOUT(m_host->presentation(), Presentation::StatusNotifierItem, 10000);
        QCOMPARE(changed.size(), 1); // never the fallback in between
    }

    void hostArrivingLaterTakesOverAtOnce()
    {
        startWatcher(false);
        makeHost(2s);
        QTRY_COMPARE(m_host->presentation(), Presentation::SystemTrayFallback);
        QSignalSpy changed(m_host.get(), &StatusAreaHost::changed);
        m_watcher->setHostRegistered(true);
        QVERIFY(changed.wait());
        QCOMPARE(m_host->presentation(), Presentation::StatusNotifierItem);
    }

    void watcherArrivingLaterTakesOverAtOnce()
    {
        makeHost(2s);
        QTRY_COMPARE(m_host->presentation(), Presentation::SystemTrayFallback);
        renameProcess("gnome-shell");
        startWatcher(true);
        QTRY_COMPARE(m_host->presentation(), Presentation::StatusNotifierItem);
        QVERIFY(!m_host->iconCarriesPercent());
    }

    void hostLeavingFallsBackAfterTheGrace_data()
    {
        QTest::addColumn<bool>("watcherExits");
        QTest::newRow("host unregisters") << false;
        QTest::newRow("panel process exits") << true;
    }

    void hostLeavingFallsBackAfterTheGrace()
    {
        QFETCH(bool, watcherExits);
        startWatcher(true);
        makeHost(1000ms);
        QTRY_COMPARE(m_host->presentation(), Presentation::StatusNotifierItem);
        QSignalSpy changed(m_host.get(), &StatusAreaHost::changed);
        QElapsedTimer sinceLoss;
        sinceLoss.start();
        if (watcherExits)
            m_watcher.reset();
        else
            m_watcher->setHostRegistered(false);
        QTest::qWait(200);
        if (sinceLoss.elapsed() < 900) // a loaded machine may have slept through the grace
            QCOMPARE(m_host->presentation(), Presentation::StatusNotifierItem);
        QTRY_COMPARE(m_host->presentation(), Presentation::SystemTrayFallback);
        QCOMPARE(changed.size(), 1);
        QVERIFY(m_host->iconCarriesPercent());
    }

    void panelRestartWithinTheGraceIsNoChange()
    {
        startWatcher(true);
        makeHost(2000ms);
        QTRY_COMPARE(m_host->presentation(), Presentation::StatusNotifierItem);
        QSignalSpy changed(m_host.get(), &StatusAreaHost::changed);
        m_watcher.reset();
        QTRY_VERIFY(!watcherRunning());
        startWatcher(true);
        QTest::qWait(2500); // past the grace: a timer left running would have fired
        QCOMPARE(m_host->presentation(), Presentation::StatusNotifierItem);
        QCOMPARE(changed.size(), 0);
    }

    void withoutABusTheFallbackAtOnce()
    {
        StatusAreaHost host(QDBusConnection(u"never-connected"_s), 2s);
        QCOMPARE(host.presentation(), Presentation::SystemTrayFallback);
        QVERIFY(host.iconCarriesPercent());
    }

private:
    void startWatcher(bool hostRegistered)
    {
        m_watcher = std::make_unique<FakeStatusNotifierWatcher>(hostRegistered);
        QVERIFY(m_watcher->started());
    }

    void makeHost(std::chrono::milliseconds grace)
    {
        m_host = std::make_unique<StatusAreaHost>(QDBusConnection::sessionBus(), grace);
    }

    bool watcherRunning()
    {
        return QDBusConnection::sessionBus().interface()->isServiceRegistered(u"org.kde.StatusNotifierWatcher"_s).value();
    }

    QByteArray m_ownName;
    std::unique_ptr<FakeStatusNotifierWatcher> m_watcher;
    std::unique_ptr<StatusAreaHost> m_host;
};

QTEST_GUILESS_MAIN(TestStatusAreaHost)
#include "tst_statusareahost.moc"
