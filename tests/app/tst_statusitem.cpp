// The application's status item as a status-notifier host sees it: a real
// OstrelApp on this test's private bus, a fake watcher (and host) and a
// client on connections of their own, usage replies from a fake source.
#include "app/MenuBarIcon.h"
#include "app/OstrelApp.h"
#include "app/PanelWindow.h"
#include "app/StatusIcon.h"
#include "app/sni/DBusMenuTypes.h"
#include "app/sni/SniTypes.h"

#include "FakeUsageSource.h"
#include "sni/BusPeer.h"
#include "sni/FakePortal.h"
#include "sni/FakeStatusNotifierWatcher.h"

#include <QApplication>
#include <QCursor>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusVariant>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/prctl.h>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString itemInterface = u"org.kde.StatusNotifierItem"_s;
const QColor darkGlyph(0x24, 0x24, 0x24);
const QColor lightGlyph(0xf2, 0xf2, 0xf2);

const QByteArray stats =
    R"({"version":2,"lastComputedDate":"2025-01-08","dailyActivity":[],"dailyModelTokens":[],"modelUsage":{},"totalSessions":3,"totalMessages":4})";

struct Usage
{
    std::optional<double> percent;
    qint64 resetInSeconds = -1; // negative: no reset time
};

std::optional<UsageResponse> reply(const Usage& usage)
{
    if (!usage.percent && usage.resetInSeconds < 0)
        return std::nullopt;
    UsageWindow window;
    window.utilization = usage.percent;
    if (usage.resetInSeconds >= 0)
        window.resetsAt = QDateTime::currentDateTimeUtc().addSecs(usage.resetInSeconds + 30).toString(Qt::ISODateWithMs);
    UsageResponse r;
    r.fiveHour = window;
    return r;
}

QVariant unwrap(const QDBusMessage& message)
{
    if (message.type() != QDBusMessage::ReplyMessage || message.arguments().isEmpty())
        return {};
    return message.arguments().at(0).value<QDBusVariant>().variant();
}

template<typename T>
T demarshal(const QVariant& value)
{
    return qdbus_cast<T>(value.value<QDBusArgument>());
}

// The icon a host would pick at 22 px, exactly as the application should
// draw it: the real glyph, the percentage or not, the colour for the panel.
DBusImage expectedIcon(std::optional<qint64> percent, const QColor& color)
{
    const auto glyph = [](QPainter& painter, const QRectF& rect) { MenuBarIcon::drawFitted(painter, rect, Qt::black); };
    return SniTypes::toDBusImage(StatusIcon::render({22, 1.0, percent, color}, glyph));
}

QByteArray processName()
{
    QFile comm(u"/proc/self/comm"_s);
    return comm.open(QIODevice::ReadOnly) ? comm.readAll().trimmed() : QByteArray();
}

// The fake watcher runs in this process, so the bus names this process as
// the watcher's owner: renaming it stands in for the panel's process.
void renameProcess(const QByteArray& name)
{
    prctl(PR_SET_NAME, name.constData(), 0, 0, 0);
}

} // namespace

Q_DECLARE_METATYPE(Usage)
Q_DECLARE_METATYPE(QList<Usage>)

class TestStatusItem : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
        SniTypes::registerTypes();
        DBusMenuTypes::registerTypes();
        m_ownName = processName();
        // A light desktop unless a row says otherwise.
        QPalette light = QApplication::palette();
        light.setColor(QPalette::Window, QColor(0xef, 0xef, 0xef));
        light.setColor(QPalette::WindowText, Qt::black);
        QApplication::setPalette(light);
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_statsPath = m_dir->filePath(u"stats-cache.json"_s);
        QFile file(m_statsPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(stats);
        m_source = std::make_shared<FakeUsageSource>();
        m_client = std::make_unique<BusPeer>(u"client"_s);
    }

    void cleanup()
    {
        m_app.reset();
        m_portal.reset();
        m_watcher.reset();
        m_client.reset();
        m_source.reset();
        m_dir.reset();
        renameProcess(m_ownName);
        BusPeer observer(u"observer"_s);
        const auto owned = [&](const QString& name) {
            return observer.bus().interface()->isServiceRegistered(name).value();
        };
        QTRY_VERIFY(!owned(u"org.kde.StatusNotifierWatcher"_s));
        QTRY_VERIFY(!owned(u"org.freedesktop.portal.Desktop"_s));
    }

    void labelFollowsTheViewModel_data()
    {
        QTest::addColumn<QList<Usage>>("replies");
        QTest::newRow("percent and time") << QList<Usage>{{42.7, 2 * 3600 + 5 * 60}};
        QTest::newRow("percent alone") << QList<Usage>{{7.0, -1}};
        QTest::newRow("figures, then none: the glyph alone") << QList<Usage>{{42.7, 7500}, {}};
        QTest::newRow("a run of changes")
            << QList<Usage>{{1.0, 59 * 60}, {2.5, 3600}, {99.9, 60}, {100.0, 4 * 3600 + 59 * 60}};
    }

    void labelFollowsTheViewModel()
    {
        QFETCH(QList<Usage>, replies);
        const QString service = startWithHost();
        SignalRecorder recorder;
        QVERIFY(recorder.listen(m_client->bus(), service, u"/StatusNotifierItem"_s, itemInterface,
                                u"XAyatanaNewLabel"_s));
        QCOMPARE(itemProperty(service, u"XAyatanaLabel"_s).toString(), QString());

        openPanelOnce();
        for (const Usage& usage : replies) {
            const qsizetype heard = recorder.messages.size();
            m_app->viewModel().refreshUsage();
            m_source->complete(m_source->pending() - 1, reply(usage));
            const QString label = m_app->viewModel().menuBarLabel();
            QCOMPARE(label.isEmpty(), !usage.percent);
            QTRY_COMPARE(recorder.messages.size(), heard + 1);
            QCOMPARE(recorder.messages.last().arguments().at(0).toString(), label);
            QCOMPARE(itemProperty(service, u"XAyatanaLabel"_s).toString(), label);
            const auto toolTip = demarshal<DBusToolTip>(itemProperty(service, u"ToolTip"_s));
            QCOMPARE(toolTip.description, label);
            QCOMPARE(toolTip.title, u"Ostrel"_s);
        }
    }

    void iconCarriesThePercentWhereNoLabelIsShown_data()
    {
        QTest::addColumn<QByteArray>("watcherProcess");
        QTest::addColumn<bool>("percentInIcon");
        QTest::addColumn<QColor>("glyph");
        QTest::newRow("unknown host: percentage, dark on light") << QByteArray() << true << darkGlyph;
        QTest::newRow("GNOME draws the label; its bar is dark") << QByteArray("gnome-shell") << false << lightGlyph;
        QTest::newRow("sntray may hide the label") << QByteArray("panel-7-sntray") << true << darkGlyph;
        QTest::newRow("KDE never shows it") << QByteArray("kded5") << true << darkGlyph;
    }

    void iconCarriesThePercentWhereNoLabelIsShown()
    {
        QFETCH(QByteArray, watcherProcess);
        QFETCH(bool, percentInIcon);
        QFETCH(QColor, glyph);
        if (!watcherProcess.isEmpty())
            renameProcess(watcherProcess);
        const QString service = startWithHost();
        QCOMPARE(icon22(service), expectedIcon(std::nullopt, glyph));

        SignalRecorder recorder;
        QVERIFY(recorder.listen(m_client->bus(), service, u"/StatusNotifierItem"_s, itemInterface, u"NewIcon"_s));
        openPanelOnce();
        m_source->complete(0, reply({42.9, 3600}));
        const DBusImage expected = expectedIcon(percentInIcon ? std::optional<qint64>(42) : std::nullopt, glyph);
        QTRY_COMPARE(icon22(service), expected);
        QCOMPARE(recorder.messages.size(), percentInIcon ? 1 : 0);

        // New figures with the same percentage leave the icon alone.
        m_source->complete(0, reply({42.2, 1800}));
        QTest::qWait(100);
        QCOMPARE(recorder.messages.size(), percentInIcon ? 1 : 0);
        QCOMPARE(m_app->statusItem().glyphColor(), glyph);
    }

    void glyphFollowsTheDesktopScheme()
    {
        // The portal says dark: a light glyph, even though the palette is light.
        m_portal = std::make_unique<FakePortal>(QVariant(1u), true);
        QVERIFY(m_portal->started());
        const QString service = startWithHost();
        QTRY_COMPARE(icon22(service), expectedIcon(std::nullopt, lightGlyph));
        m_portal->change(u"org.freedesktop.appearance"_s, u"color-scheme"_s, QVariant(2u));
        QTRY_COMPARE(icon22(service), expectedIcon(std::nullopt, darkGlyph));
        QCOMPARE(m_app->statusItem().glyphColor(), darkGlyph);
    }

    void activateTogglesThePanelAtTheClick_data()
    {
        QTest::addColumn<QPoint>("click");
        QTest::addColumn<int>("panelX");
        // The offscreen screen is 800 × 600 with no bar; the pointer is at 400,10.
        QTest::newRow("left of the screen: clamped to the edge") << QPoint(100, 5) << 0;
        QTest::newRow("right end: clamped to the edge") << QPoint(790, 5) << 800 - 340;
        QTest::newRow("middle: centred under the click") << QPoint(300, 5) << 300 - 170;
        QTest::newRow("no position: the pointer") << QPoint(0, 0) << 400 - 170;
        QTest::newRow("on no screen: the pointer") << QPoint(5000, 3000) << 400 - 170;
    }

    void activateTogglesThePanelAtTheClick()
    {
        QFETCH(QPoint, click);
        QFETCH(int, panelX);
        QCursor::setPos(400, 10);
        const QString service = startWithHost();
        PanelWindow& panel = m_app->panel();
        QVERIFY(!panel.isVisible());
        QCOMPARE(callItem(service, u"Activate"_s, {click.x(), click.y()}).type(), QDBusMessage::ReplyMessage);
        QTRY_VERIFY(panel.isVisible());
        QCOMPARE(panel.x(), panelX);
        QVERIFY(panel.y() >= PanelPlacement::assumedBarThickness);
        QCOMPARE(m_source->pending(), 2); // showing started the view model
        QCOMPARE(callItem(service, u"Activate"_s, {click.x(), click.y()}).type(), QDBusMessage::ReplyMessage);
        QTRY_VERIFY(!panel.isVisible());
    }

    void menuReachesTheApp_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("panelOpenBefore");
        QTest::addColumn<bool>("panelOpenAfter");
        QTest::addColumn<int>("fetchesStarted");
        QTest::addColumn<int>("quits");
        QTest::newRow("Open shows the panel") << u"Open"_s << false << true << 2 << 0;
        QTest::newRow("Open leaves an open panel open") << u"Open"_s << true << true << 2 << 0;
        QTest::newRow("Refresh before any showing starts the view model") << u"Refresh"_s << false << false << 2 << 0;
        QTest::newRow("Refresh re-reads and fetches once") << u"Refresh"_s << true << true << 3 << 0;
        QTest::newRow("Quit") << u"Quit"_s << false << false << 0 << 1;
    }

    void menuReachesTheApp()
    {
        QFETCH(QString, item);
        QFETCH(bool, panelOpenBefore);
        const QString service = startWithHost();
        if (panelOpenBefore)
            openPanelOnce();
        QSignalSpy quit(m_app.get(), &OstrelApp::quitRequested);

        const DBusMenuLayoutItem root = demarshal<DBusMenuLayoutItem>(
            callMenu(service, u"GetLayout"_s, {0, -1, QStringList{u"label"_s}}).arguments().value(1));
        int id = -1;
        for (const DBusMenuLayoutItem& child : root.children) {
            if (child.properties.value(u"label"_s).toString() == item)
                id = child.id;
        }
        QVERIFY2(id > 0, "no such menu item");
        const QDBusMessage clicked =
            callMenu(service, u"Event"_s, {id, u"clicked"_s, QVariant::fromValue(QDBusVariant(QString())), uint(0)});
        QCOMPARE(clicked.type(), QDBusMessage::ReplyMessage);

        QTEST(m_app->panel().isVisible(), "panelOpenAfter");
        QTEST(int(m_source->started()), "fetchesStarted");
        QTEST(int(quit.size()), "quits");
        // Whatever started the view model read the statistics file.
        QCOMPARE(m_app->viewModel().stats().has_value(), m_source->started() > 0);
    }

    void registersAgainWhenTheWatcherRestarts()
    {
        const QString service = startWithHost();
        m_watcher.reset();
        QTRY_VERIFY(!nameOwned(u"org.kde.StatusNotifierWatcher"_s));
        startWatcher(true);
        QTRY_COMPARE(m_watcher->registeredItems(), QStringList{service});
        // A panel back within moments keeps the same item: no fallback icon meanwhile.
        QCOMPARE(m_app->statusItem().statusNotifierService(), service);
        QVERIFY(!m_app->statusItem().showsSystemTrayIcon());
    }

    void fallbackFollowsTheHost()
    {
        makeApp();
        StatusItem& item = m_app->statusItem();
        // No watcher at all: Qt's tray icon, and none of our items on the bus.
        QTRY_VERIFY(item.showsSystemTrayIcon());
        QVERIFY(item.statusNotifierService().isEmpty());
        QVERIFY(ourItemsOnTheBus().isEmpty());

        // A watcher without a host changes nothing.
        startWatcher(false);
        QTest::qWait(300);
        QVERIFY(item.showsSystemTrayIcon());
        QVERIFY(ourItemsOnTheBus().isEmpty());
        QCOMPARE(m_watcher->registeredItems(), QStringList());

        // A host appears: our item, registered, and the tray icon gone.
        m_watcher->setHostRegistered(true);
        QTRY_VERIFY(!item.statusNotifierService().isEmpty());
        QVERIFY(!item.showsSystemTrayIcon());
        const QString service = item.statusNotifierService();
        QTRY_COMPARE(m_watcher->registeredItems(), QStringList{service});
        QCOMPARE(ourItemsOnTheBus(), QStringList{service});

        // The host leaves for good: after a grace, back to the tray icon, and
        // the item leaves the bus.
        m_watcher->setHostRegistered(false);
        QTest::qWait(300);
        QCOMPARE(item.statusNotifierService(), service);
        QTRY_VERIFY_WITH_TIMEOUT(item.showsSystemTrayIcon(), 10000);
        QVERIFY(item.statusNotifierService().isEmpty());
        QTRY_VERIFY(ourItemsOnTheBus().isEmpty());

        // Label and percentage kept through it all reach the next item.
        openPanelOnce();
        m_source->complete(0, reply({61.0, 600}));
        QCOMPARE(item.toolTip(), m_app->viewModel().menuBarLabel());
        m_watcher->setHostRegistered(true);
        QTRY_VERIFY(!item.statusNotifierService().isEmpty());
        QVERIFY(!item.showsSystemTrayIcon());
        QCOMPARE(itemProperty(item.statusNotifierService(), u"XAyatanaLabel"_s).toString(),
                 m_app->viewModel().menuBarLabel());
    }

private:
    void makeApp()
    {
        m_app = std::make_unique<OstrelApp>(StatsViewModel::Dependencies{nullptr, m_statsPath, m_source});
        m_app->show();
    }

    void startWatcher(bool hostRegistered)
    {
        m_watcher = std::make_unique<FakeStatusNotifierWatcher>(hostRegistered);
        QVERIFY(m_watcher->started());
    }

    // A watcher with a host, then the application; its item's bus name once
    // the watcher lists it.
    QString startWithHost()
    {
        startWatcher(true);
        makeApp();
        QString service;
        [&] { QTRY_VERIFY(!(service = m_app->statusItem().statusNotifierService()).isEmpty()); }();
        [&] { QTRY_COMPARE(m_watcher->registeredItems(), QStringList{service}); }();
        return service;
    }

    void openPanelOnce()
    {
        if (!m_app->panel().isVisible())
            m_app->togglePanel(std::nullopt);
    }

    bool nameOwned(const QString& name)
    {
        return m_client && m_client->bus().interface()->isServiceRegistered(name).value();
    }

    QStringList ourItemsOnTheBus()
    {
        const QStringList names = m_client->bus().interface()->registeredServiceNames().value();
        const QString prefix = u"org.kde.StatusNotifierItem-%1-"_s.arg(QCoreApplication::applicationPid());
        QStringList ours;
        for (const QString& name : names) {
            if (name.startsWith(prefix))
                ours << name;
        }
        return ours;
    }

    QVariant itemProperty(const QString& service, const QString& name)
    {
        return unwrap(m_client->getProperty(service, u"/StatusNotifierItem"_s, itemInterface, name));
    }

    DBusImage icon22(const QString& service)
    {
        for (const DBusImage& image : demarshal<DBusImageList>(itemProperty(service, u"IconPixmap"_s))) {
            if (image.width == 22)
                return image;
        }
        return {};
    }

    QDBusMessage callItem(const QString& service, const QString& method, const QVariantList& arguments)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(service, u"/StatusNotifierItem"_s, itemInterface, method);
        call.setArguments(arguments);
        return m_client->call(call);
    }

    QDBusMessage callMenu(const QString& service, const QString& method, const QVariantList& arguments)
    {
        QDBusMessage call =
            QDBusMessage::createMethodCall(service, u"/MenuBar"_s, u"com.canonical.dbusmenu"_s, method);
        call.setArguments(arguments);
        return m_client->call(call);
    }

    QByteArray m_ownName;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_statsPath;
    std::shared_ptr<FakeUsageSource> m_source;
    std::unique_ptr<BusPeer> m_client;
    std::unique_ptr<FakePortal> m_portal;
    std::unique_ptr<FakeStatusNotifierWatcher> m_watcher;
    std::unique_ptr<OstrelApp> m_app;
};

QTEST_MAIN(TestStatusItem)
#include "tst_statusitem.moc"
