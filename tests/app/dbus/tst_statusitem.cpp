// A real OstrelApp on a private bus as the desktop sees it: the panel (watcher and host), the portal
// and the notification server are peers of their own; usage comes from a fake source.
#include "app/OstrelApp.h"
#include "app/PanelWindow.h"
#include "app/dbus/DBusMenuTypes.h"
#include "app/dbus/HostRules.h"
#include "app/dbus/SniTypes.h"
#include "config/AppInfo.h"
#include "glyph/GlyphColors.h"
#include "glyph/StatusIconRenderer.h"
#include "views/ContentView.h"

#include "BusPeer.h"
#include "FakeUsageSource.h"

#include <QAbstractButton>
#include <QDBusConnectionInterface>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

#include <sys/prctl.h>

using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(Appearance)

namespace {

const QString itemPath = u"/StatusNotifierItem"_s, itemInterface = u"org.kde.StatusNotifierItem"_s;
const QString watcherName = u"org.kde.StatusNotifierWatcher"_s, watcherPath = u"/StatusNotifierWatcher"_s;
const QString notifications = u"org.freedesktop.Notifications"_s, notificationsPath = u"/org/freedesktop/Notifications"_s;
const QString portalPath = u"/org/freedesktop/portal/desktop"_s, properties = u"org.freedesktop.DBus.Properties"_s;

// The five-hour window this full, resetting in so many seconds.
std::optional<UsageResponse> reply(double percent, qint64 resetInSeconds)
{
    const QDateTime reset = QDateTime::currentDateTimeUtc().addSecs(resetInSeconds + 30);
    UsageResponse response;
    response.fiveHour = UsageWindow{percent, reset.toString(Qt::ISODateWithMs)};
    return response;
}

QVariant variant(const QVariant& value) { return QVariant::fromValue(QDBusVariant(value)); }

// The 22 px icon for a bar of this brightness as a host reads it: A, R, G, B per pixel, not premultiplied.
QByteArray icon(Appearance bar, std::optional<qint64> percent)
{
    const QImage image = StatusIconRenderer::render({22, 1.0, percent, GlyphColors::inkOn(bar), GlyphColors::haloOn(bar)});
    QByteArray argb;
    for (int i = 0; i < 22 * 22; ++i)
        for (const int channel : {24, 16, 8, 0})
            argb += char(image.pixel(i % 22, i / 22) >> channel);
    return argb;
}

} // namespace

class TestStatusItem : public QObject
{
    Q_OBJECT

public slots:
    void heardLabel(const QString& label) { m_labels.append(label); }
    void heardIcon() { ++m_newIcons; }

private slots:
    void cleanup()
    {
        m_app.reset();
        m_watcher.reset();
        prctl(PR_SET_NAME, qPrintable(QCoreApplication::applicationName()), 0, 0, 0);
        m_labels.clear();
        m_newIcons = 0;
    }

    // Only GNOME Shell's own process (below) draws the label and keeps its bar dark; under any other host,
    // and on Qt's tray icon, the icon shows the figure.
    void otherHostsShowTheFigure()
    {
        for (const QString& process : {u"vala-panel"_s, u"panel-123-sntra"_s, u"gnome-shell-cal"_s}) {
            const HostRules::HostTraits traits = HostRules::traitsForWatcherProcess(process);
            QVERIFY2(HostRules::iconCarriesPercent(true, traits.label) && !traits.darkPanel, qPrintable(process));
        }
        QVERIFY(HostRules::iconCarriesPercent(false, HostRules::LabelSupport::Shown));
    }

    // Label, tooltip and icon follow the figures (the figure in the icon where no label shows, its
    // colour after the portal's scheme, GNOME's bar always dark); limit alerts; clicks and the menu.
    void itemOnTheHost_data()
    {
        QTest::addColumn<QByteArray>("watcherProcess");
        QTest::addColumn<bool>("percentInIcon");
        QTest::addColumn<Appearance>("barInLightMode");
        QTest::newRow("KDE shows no label") << QByteArray("kded5") << true << Appearance::Light;
        QTest::newRow("GNOME draws the label; its bar is dark") << QByteArray("gnome-shell") << false << Appearance::Dark;
    }

    void itemOnTheHost()
    {
        QFETCH(QByteArray, watcherProcess);
        QFETCH(bool, percentInIcon);
        BusPeer portal(u"portal"_s, [](const QDBusMessage&) { return QVariantList{variant(1u)}; }); // dark
        portal.serve(u"org.freedesktop.portal.Desktop"_s, portalPath);
        uint shown = 0;
        BusPeer desktop(u"notifications"_s, [&shown](const QDBusMessage&) { return QVariantList{++shown}; });
        desktop.serve(notifications, notificationsPath);
        // The bus names this process as the watcher's owner: renamed, it stands in for the panel.
        prctl(PR_SET_NAME, watcherProcess.constData(), 0, 0, 0);
        startWatcher(true);
        makeApp();
        QTRY_COMPARE(items().size(), 1);
        const QString service = items().first();
        QTRY_COMPARE(icon22(service), icon(Appearance::Dark, std::nullopt));
        QVERIFY(m_watcher->bus().connect(service, itemPath, itemInterface, u"XAyatanaNewLabel"_s, this,
                                         SLOT(heardLabel(QString))));
        QVERIFY(m_watcher->bus().connect(service, itemPath, itemInterface, u"NewIcon"_s, this, SLOT(heardIcon())));

        // A click opens the panel centred under it (offscreen: 800 × 600, no bar), starting the figures
        // that nothing fetched before.
        const auto activate = [&] {
            m_watcher->call(service, itemPath, itemInterface, u"Activate"_s, {300, 5});
            return m_app->panel().isVisible();
        };
        QCOMPARE(m_source->started(), 0);
        QVERIFY(activate());
        QCOMPARE(m_app->panel().x(), 300 - m_app->panel().width() / 2);
        // Percent and time; the same percent, other time; nearly full and full, each alerting once; none.
        const std::pair<std::optional<UsageResponse>, uint> steps[] = {{reply(42.7, 7500), 0}, {reply(42.2, 1800), 0},
            {reply(93, 7500), 1}, {reply(100, 7500), 2}, {std::nullopt, 2}};
        for (const auto& [usage, alerts] : steps) {
            const qsizetype heard = m_labels.size();
            m_app->viewModel().refreshUsage();
            m_source->complete(m_source->pending() - 1, usage);
            const QString label = m_app->viewModel().menuBarLabel();
            QTRY_COMPARE(m_labels.size(), heard + 1);
            QCOMPARE(m_labels.last(), label);
            QCOMPARE(itemProperty(service, u"XAyatanaLabel"_s).toString(), label);
            QCOMPARE(qdbus_cast<DBusToolTip>(itemProperty(service, u"ToolTip"_s)).description,
                     usage ? label : u"No connection to the service."_s);
            const double percent = usage ? *usage->fiveHour->utilization : 0;
            QTRY_COMPARE(icon22(service),
                         icon(Appearance::Dark, usage && percentInIcon ? std::optional(qint64(percent)) : std::nullopt));
            QTRY_COMPARE(shown, alerts);
            // Answered after the notification's id, sent before it on this connection, was read.
            desktop.call(service, itemPath, properties, u"Get"_s, {itemInterface, u"Id"_s});
        }
        QCOMPARE(m_newIcons, percentInIcon ? 4 : 0); // only when what the icon shows changed

        // The full limit's notification replaces the nearly-full one's.
        const QString app = QString::fromLatin1(AppInfo::id);
        const QList<QVariantList> notified = desktop.calls(u"Notify"_s);
        QCOMPARE(notified[0].first(6), (QVariantList{QString::fromLatin1(AppInfo::name), 0u, app,
            u"Current session at 93%"_s, u"Resets in 2 hr 5 min."_s, QStringList{u"default"_s, u"Open"_s}}));
        QCOMPARE(notified[1].first(6), (QVariantList{QString::fromLatin1(AppInfo::name), 1u, app,
            u"Current session limit reached"_s, u"100% used. Resets in 2 hr 5 min."_s, notified[0][5]}));
        for (const uchar urgency : {1, 2})
            QCOMPARE(qdbus_cast<QVariantMap>(notified[urgency - 1][6]),
                     (QVariantMap{{u"desktop-entry"_s, app}, {u"urgency"_s, QVariant::fromValue(urgency)}}));

        // A click on the item closes the panel; the activation some hosts send on that click's release does
        // not open it again. One on the notification opens it.
        QVERIFY(!activate());
        QVERIFY(!activate());
        desktop.bus().send(QDBusMessage::createSignal(notificationsPath, notifications, u"ActionInvoked"_s)
                           << 2u << u"default"_s);
        QTRY_VERIFY(m_app->panel().isVisible());

        // The menu, with the ids as the host learns them from the layout.
        const QString menuPath = u"/MenuBar"_s, menu = u"com.canonical.dbusmenu"_s;
        QMap<QString, int> ids;
        const QDBusMessage layout = m_watcher->call(service, menuPath, menu, u"GetLayout"_s, {0, -1, QStringList()});
        for (const DBusMenuLayoutItem& child : qdbus_cast<DBusMenuLayoutItem>(layout.arguments().value(1)).children)
            ids.insert(child.properties.value(u"label"_s).toString(), child.id);
        const auto click = [&](const QString& item) {
            m_watcher->call(service, menuPath, menu, u"Event"_s, {ids.value(item), u"clicked"_s, variant(0), 0u});
        };
        const qsizetype fetches = m_source->started();
        click(u"Refresh"_s);
        QCOMPARE(m_source->started(), fetches + 1);
        m_app->panel().close();
        click(u"Open"_s);
        QVERIFY(m_app->panel().isVisible());
        QVERIFY(m_source->started() > fetches + 1); // each showing fetches afresh
        // A later click on the item opens the panel again.
        m_app->panel().close();
        QTRY_VERIFY(m_app->panel().isVisible() || activate());
        QSignalSpy quit(m_app.get(), &OstrelApp::quitRequested);
        click(u"Quit"_s);
        QTest::mouseClick(m_app->panel().content()->findChild<QAbstractButton*>(u"quitButton"_s), Qt::LeftButton);
        QCOMPARE(quit.size(), 2);

        portal.bus().send(QDBusMessage::createSignal(portalPath, u"org.freedesktop.portal.Settings"_s, u"SettingChanged"_s)
                          << u"org.freedesktop.appearance"_s << u"color-scheme"_s << variant(2u)); // light
        QFETCH(Appearance, barInLightMode);
        QTRY_COMPARE(icon22(service), icon(barInLightMode, std::nullopt));
    }

    void presentationFollowsTheHost()
    {
        makeApp();
        // No watcher, then one without a host: Qt's tray icon alone, though figures arrive.
        QTRY_VERIFY(showsTrayIcon());
        m_app->togglePanel(std::nullopt);
        m_source->complete(0, reply(61.0, 600));
        startWatcher(false);
        // Asking again after the watcher's next signal, the application has heard the first answer.
        QTRY_VERIFY(!m_watcher->calls(u"Get"_s).isEmpty());
        setHost(false);
        QTRY_VERIFY(m_watcher->calls(u"Get"_s).size() >= 2);
        QVERIFY(showsTrayIcon());
        QCOMPARE(ourItems(), QStringList());

        // A host appears: our item, with the label so far, and no tray icon.
        setHost(true);
        QTRY_COMPARE(items().size(), 1);
        const QString service = items().first();
        QCOMPARE(ourItems(), QStringList{service});
        QVERIFY(!showsTrayIcon());
        QCOMPARE(itemProperty(service, u"XAyatanaLabel"_s).toString(), m_app->viewModel().menuBarLabel());

        // The panel restarts: the item registers with the new watcher, and with the host known
        // again nothing waits to swap in the tray icon.
        m_watcher.reset();
        startWatcher(true);
        QTRY_COMPARE_WITH_TIMEOUT(items(), QStringList{service}, 10000);
        QTRY_VERIFY(!m_app->statusItem().findChild<QTimer*>(u"hostLossGrace"_s)->isActive());
        QCOMPARE(ourItems(), QStringList{service});
        QVERIFY(!showsTrayIcon());

        // The host leaves for good: the tray icon, and the item leaves the bus.
        setHost(false);
        QTRY_VERIFY_WITH_TIMEOUT(showsTrayIcon(), 10000);
        QTRY_VERIFY(!m_watcher->bus().interface()->isServiceRegistered(service).value());
        QCOMPARE(ourItems(), QStringList());
    }

private:
    void makeApp()
    {
        m_source = std::make_shared<FakeUsageSource>();
        m_app = std::make_unique<OstrelApp>(
            StatsViewModel::Dependencies{nullptr, u"" OSTREL_TEST_DATA "/no-stats-file"_s, m_source});
        m_app->show();
    }

    // Watcher and host on one connection, as panels embedding their watcher run them. Like Debian's
    // status-notifier-watcher it serves its object a moment after taking its name: an item that does
    // not ask again after its first calls fail never shows.
    void startWatcher(bool hostRegistered)
    {
        m_hostRegistered = hostRegistered;
        m_watcher = std::make_unique<BusPeer>(u"panel"_s, [this](const QDBusMessage& call) {
            const bool asksHost = call.arguments().value(1) == u"IsStatusNotifierHostRegistered"_s;
            return asksHost ? QVariantList{variant(m_hostRegistered)} : QVariantList();
        });
        m_watcher->serve(watcherName, watcherPath, 300);
    }

    void setHost(bool registered)
    {
        m_hostRegistered = registered;
        m_watcher->bus().send(QDBusMessage::createSignal(watcherPath, watcherName,
            registered ? u"StatusNotifierHostRegistered"_s : u"StatusNotifierHostUnregistered"_s));
    }

    // The items registered with the watcher; the ones this process owns on the bus.
    QStringList items() const
    {
        QStringList registered;
        for (const QVariantList& call : m_watcher->calls(u"RegisterStatusNotifierItem"_s))
            registered.append(call.value(0).toString());
        return registered;
    }

    QStringList ourItems() const
    {
        const QString prefix = u"org.kde.StatusNotifierItem-%1-"_s.arg(QCoreApplication::applicationPid());
        return QDBusConnection::sessionBus().interface()->registeredServiceNames().value().filter(prefix);
    }

    bool showsTrayIcon()
    {
        const auto icons = m_app->statusItem().findChildren<QSystemTrayIcon*>();
        return icons.size() == 1 && icons.first()->isVisible();
    }

    QVariant itemProperty(const QString& service, const QString& name)
    {
        const QDBusMessage reply = m_watcher->call(service, itemPath, properties, u"Get"_s, {itemInterface, name});
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }

    // The 22 px one of the item's icons, if there is one at every size a host may pick.
    QByteArray icon22(const QString& service)
    {
        const DBusImageList pixmaps = qdbus_cast<DBusImageList>(itemProperty(service, u"IconPixmap"_s));
        QList<int> sizes;
        for (const DBusImage& pixmap : pixmaps)
            sizes << pixmap.width;
        return sizes == QList<int>{16, 22, 24, 32, 44, 48, 64} ? pixmaps[1].argb : QByteArray();
    }

    std::shared_ptr<FakeUsageSource> m_source;
    std::unique_ptr<BusPeer> m_watcher;
    std::unique_ptr<OstrelApp> m_app;
    bool m_hostRegistered = false;
    QStringList m_labels;
    int m_newIcons = 0;
};

QTEST_MAIN(TestStatusItem)
#include "tst_statusitem.moc"
