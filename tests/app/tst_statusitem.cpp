// The application's status item as a status-notifier host sees it: a real
// OstrelApp on this test's private bus, a fake panel (watcher and host) and
// portal on connections of their own, usage replies from a fake source.
#include "glyph/MenuBarIcon.h"
#include "app/OstrelApp.h"
#include "app/PanelWindow.h"
#include "glyph/StatusIconRenderer.h"
#include "app/dbus/DBusMenuTypes.h"
#include "app/dbus/SniTypes.h"
#include "config/AppInfo.h"

#include "FakeUsageSource.h"
#include "dbus/FakeNotifications.h"
#include "dbus/FakePortal.h"
#include "dbus/FakeStatusNotifierWatcher.h"

#include <QDBusConnectionInterface>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

#include <sys/prctl.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString itemPath = u"/StatusNotifierItem"_s;
const QString itemInterface = u"org.kde.StatusNotifierItem"_s;
const QColor darkGlyph(0x24, 0x24, 0x24);
const QColor lightGlyph(0xf2, 0xf2, 0xf2);

// The five-hour window this full, resetting in so many seconds.
std::optional<UsageResponse> reply(double percent, qint64 resetInSeconds)
{
    const QString resetsAt = QDateTime::currentDateTimeUtc().addSecs(resetInSeconds + 30).toString(Qt::ISODateWithMs);
    UsageResponse response;
    response.fiveHour = UsageWindow{percent, resetsAt};
    return response;
}

// What a host shows of the 22 px icon: its ink, and whether a figure is
// drawn in (the glyph then shrinks to a crown in the top half, so its rays
// no longer reach across the upper rows).
struct IconFacts
{
    QColor ink;
    bool figure = false;
    friend bool operator==(const IconFacts&, const IconFacts&) = default;
};

char* toString(const IconFacts& facts)
{
    return qstrdup(qPrintable(facts.ink.name() + (facts.figure ? u" with a figure"_s : u" glyph alone"_s)));
}

IconFacts factsOf(const QImage& icon)
{
    if (icon.isNull())
        return {};
    // The glyph's solid centre is its ink: mid-icon alone, mid-crown above
    // a figure. A figure shrinks the glyph, so its rays no longer reach
    // across the upper rows.
    QRect upper;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < icon.width(); ++x)
            if (qAlpha(icon.pixel(x, y)) > 0)
                upper |= QRect(x, y, 1, 1);
    const bool figure = upper.width() <= 14;
    return {icon.pixelColor(icon.width() / 2, figure ? icon.height() / 4 : icon.height() / 2), figure};
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
        m_portal.reset();
        m_watcher.reset();
        prctl(PR_SET_NAME, qPrintable(QCoreApplication::applicationName()), 0, 0, 0);
        m_labels.clear();
        m_newIcons = 0;
    }

    void itemFollowsTheViewModel_data()
    {
        QTest::addColumn<QByteArray>("watcherProcess");
        QTest::addColumn<bool>("percentInIcon");
        QTest::addColumn<QColor>("glyphInLightMode");
        QTest::newRow("KDE shows no label: percentage in the icon") << QByteArray("kded5") << true << darkGlyph;
        QTest::newRow("GNOME draws the label; its bar is dark") << QByteArray("gnome-shell") << false << lightGlyph;
        QTest::newRow("vala-panel may hide the label: percentage") << QByteArray("vala-panel") << true << darkGlyph;
    }

    void itemFollowsTheViewModel()
    {
        QFETCH(QByteArray, watcherProcess);
        QFETCH(bool, percentInIcon);
        // The portal says dark, then light while we run.
        m_portal = std::make_unique<FakePortal>(1u);
        // The fake panel runs in this process, so the bus names this process
        // as the watcher's owner: renaming it stands in for the panel's.
        prctl(PR_SET_NAME, watcherProcess.constData(), 0, 0, 0);
        const QString service = startWithHost();
        QTRY_COMPARE(factsOf(icon22(service)), (IconFacts{lightGlyph, false}));
        QDBusConnection& bus = m_watcher->host.bus();
        QVERIFY(bus.connect(service, itemPath, itemInterface, u"XAyatanaNewLabel"_s, this, SLOT(heardLabel(QString))));
        QVERIFY(bus.connect(service, itemPath, itemInterface, u"NewIcon"_s, this, SLOT(heardIcon())));

        // Percent and time, the same percentage with other figures, another
        // percentage, no figures (the glyph alone).
        m_app->togglePanel(std::nullopt);
        const QList<std::optional<UsageResponse>> replies{reply(42.7, 7500), reply(42.2, 1800), reply(7.0, 60), {}};
        for (const std::optional<UsageResponse>& usage : replies) {
            const qsizetype heard = m_labels.size();
            m_app->viewModel().refreshUsage();
            m_source->complete(m_source->pending() - 1, usage);
            const QString label = m_app->viewModel().menuBarLabel();
            QTRY_COMPARE(m_labels.size(), heard + 1);
            QCOMPARE(m_labels.last(), label);
            QCOMPARE(itemProperty(service, u"XAyatanaLabel"_s).toString(), label);
            // The tooltip: the label while figures come, else why they are missing.
            QCOMPARE(qdbus_cast<DBusToolTip>(itemProperty(service, u"ToolTip"_s)).description,
                     usage ? label : u"No connection to the service."_s);
            const bool figure = percentInIcon && m_app->viewModel().sessionPercent().has_value();
            QTRY_COMPARE(factsOf(icon22(service)), (IconFacts{lightGlyph, figure}));
        }
        // The icon is announced only when what it shows changed: not for
        // the same percentage again, never where the label shows it.
        QCOMPARE(m_newIcons, percentInIcon ? 3 : 0);

        m_portal->change(u"org.freedesktop.appearance"_s, u"color-scheme"_s, 2u);
        QFETCH(QColor, glyphInLightMode);
        QTRY_COMPARE(factsOf(icon22(service)), (IconFacts{glyphInLightMode, false}));
    }

    void hostRequestsReachTheApp()
    {
        const QString service = startWithHost();
        PanelWindow& panel = m_app->panel();
        QSignalSpy quit(m_app.get(), &OstrelApp::quitRequested);

        // A click shows the panel centred under it (the offscreen screen is
        // 800 × 600 with no bar); another hides it.
        for (const bool shown : {true, false}) {
            m_watcher->host.call(service, itemPath, itemInterface, u"Activate"_s, {300, 5});
            QTRY_COMPARE(panel.isVisible(), shown);
            QCOMPARE(panel.x(), 300 - panel.width() / 2);
        }

        // The menu, with the ids as the host learns them from the layout.
        const QString menuPath = u"/MenuBar"_s;
        const QString menu = u"com.canonical.dbusmenu"_s;
        QMap<QString, int> ids;
        const QDBusMessage layout =
            m_watcher->host.call(service, menuPath, menu, u"GetLayout"_s, {0, -1, QStringList()});
        for (const DBusMenuLayoutItem& child : qdbus_cast<DBusMenuLayoutItem>(layout.arguments().value(1)).children)
            ids.insert(child.properties.value(u"label"_s).toString(), child.id);
        const auto click = [&](const QString& item) {
            const QVariantList event{ids.value(item), u"clicked"_s, QVariant::fromValue(QDBusVariant(0)), 0u};
            m_watcher->host.call(service, menuPath, menu, u"Event"_s, event);
        };
        click(u"Refresh"_s);
        QCOMPARE(m_source->started(), 3); // two as the panel first showed, then this one
        click(u"Open"_s);
        QVERIFY(panel.isVisible());
        click(u"Quit"_s);
        QCOMPARE(quit.size(), 1);
    }

    // A limit crossed tells the desktop once per window cycle, and a click on
    // the notification opens the panel.
    void alertsReachTheDesktop()
    {
        FakeNotifications notifications;
        const QString service = startWithHost();
        m_app->togglePanel(std::nullopt);
        for (const double percent : {50.0, 93.0, 95.0, 100.0}) {
            m_app->viewModel().refreshUsage();
            m_source->complete(m_source->pending() - 1, reply(percent, 7500));
            QTRY_COMPARE(notifications.shown.size(), percent < 90 ? 0 : percent < 100 ? 1 : 2);
            notifications.roundTrip(service); // the server's id for the notification has arrived
        }
        const FakeNotifications::Shown& nearly = notifications.shown[0];
        QCOMPARE(nearly.summary, u"Current session at 93%"_s);
        QCOMPARE(nearly.body, u"Resets in 2 hr 5 min."_s);
        QCOMPARE(nearly.replaces, 0u);
        QVERIFY(nearly.actions.contains(u"default"_s));
        QCOMPARE(nearly.hints.value(u"desktop-entry"_s).toString(), QString::fromLatin1(AppInfo::id));
        // The full window replaces the nearly-full one's notification.
        QCOMPARE(notifications.shown[1].summary, u"Current session limit reached"_s);
        QCOMPARE(notifications.shown[1].replaces, 1u);

        m_app->togglePanel(std::nullopt);
        QVERIFY(!m_app->panel().isVisible());
        notifications.click(2);
        QTRY_VERIFY(m_app->panel().isVisible());
    }

    void presentationFollowsTheHost()
    {
        makeApp();
        // No watcher at all, then one without a host: Qt's tray icon alone,
        // though figures arrive.
        QTRY_VERIFY(showsTrayIcon());
        m_app->togglePanel(std::nullopt);
        m_source->complete(0, reply(61.0, 600));
        m_watcher = std::make_unique<FakeStatusNotifierWatcher>(false);
        // The application asks and is told: no host. Asked again after the
        // watcher's next signal, it has certainly heard the first answer.
        QTRY_VERIFY(m_watcher->hostQueries >= 1);
        m_watcher->setHostRegistered(false);
        QTRY_VERIFY(m_watcher->hostQueries >= 2);
        QVERIFY(showsTrayIcon());
        QCOMPARE(ourItems(), QStringList());

        // A host appears: our item, with the label so far, registered, and the
        // tray icon gone.
        m_watcher->setHostRegistered(true);
        QTRY_COMPARE(m_watcher->items.size(), 1);
        const QString service = m_watcher->items.first();
        QCOMPARE(ourItems(), QStringList{service});
        QVERIFY(!showsTrayIcon());
        QCOMPARE(itemProperty(service, u"XAyatanaLabel"_s).toString(), m_app->viewModel().menuBarLabel());

        // The panel restarts: the same item registers with its new watcher,
        // and once the host is known again nothing waits to replace the item
        // with the tray icon.
        m_watcher.reset();
        m_watcher = std::make_unique<FakeStatusNotifierWatcher>(true);
        QTRY_COMPARE_WITH_TIMEOUT(m_watcher->items, QStringList{service}, 10000);
        const auto* grace = m_app->statusItem().findChild<QTimer*>(u"hostLossGrace"_s);
        QVERIFY(grace);
        QTRY_VERIFY(!grace->isActive());
        QCOMPARE(ourItems(), QStringList{service});
        QVERIFY(!showsTrayIcon());

        // The host leaves for good: the tray icon, and the item leaves the bus.
        m_watcher->setHostRegistered(false);
        QTRY_VERIFY_WITH_TIMEOUT(showsTrayIcon(), 10000);
        QTRY_VERIFY(!m_watcher->host.bus().interface()->isServiceRegistered(service).value());
        QCOMPARE(ourItems(), QStringList());
    }

private:
    void makeApp()
    {
        m_source = std::make_shared<FakeUsageSource>();
        const QString statsPath = u"" OSTREL_TEST_DATA "/no-stats-file"_s;
        m_app = std::make_unique<OstrelApp>(StatsViewModel::Dependencies{nullptr, statsPath, m_source});
        m_app->show();
    }

    // A watcher with a host, then the application; its item's bus name once
    // the watcher lists it.
    QString startWithHost()
    {
        m_watcher = std::make_unique<FakeStatusNotifierWatcher>(true);
        makeApp();
        [&] { QTRY_COMPARE(m_watcher->items.size(), 1); }();
        return m_watcher->items.first();
    }

    // The status-notifier names this process owns on the bus.
    QStringList ourItems()
    {
        QStringList owned;
        const QString prefix = u"org.kde.StatusNotifierItem-%1-"_s.arg(QCoreApplication::applicationPid());
        for (const QString& name : QDBusConnection::sessionBus().interface()->registeredServiceNames().value())
            if (name.startsWith(prefix))
                owned << name;
        return owned;
    }

    bool showsTrayIcon()
    {
        const auto icons = m_app->statusItem().findChildren<QSystemTrayIcon*>();
        return icons.size() == 1 && icons.first()->isVisible();
    }

    QVariant itemProperty(const QString& service, const QString& name)
    {
        const QString properties = u"org.freedesktop.DBus.Properties"_s;
        const QDBusMessage reply = m_watcher->host.call(service, itemPath, properties, u"Get"_s, {itemInterface, name});
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }

    // The 22 px pixmap as a host decodes it: A, R, G, B bytes for each
    // pixel, not premultiplied. Every size a host may pick must be there.
    QImage icon22(const QString& service)
    {
        QList<int> sizes;
        QImage decoded(22, 22, QImage::Format_ARGB32);
        decoded.fill(Qt::transparent);
        for (const DBusImage& pixmap : qdbus_cast<DBusImageList>(itemProperty(service, u"IconPixmap"_s))) {
            sizes << pixmap.width;
            const auto* argb = reinterpret_cast<const uchar*>(pixmap.argb.constData());
            for (int i = 0; pixmap.width == 22 && i < 22 * 22 && 4 * i + 3 < pixmap.argb.size(); ++i)
                decoded.setPixel(i % 22, i / 22, qRgba(argb[4 * i + 1], argb[4 * i + 2], argb[4 * i + 3], argb[4 * i]));
        }
        return sizes == QList<int>{16, 22, 24, 32, 44, 48, 64} ? decoded : QImage();
    }

    std::shared_ptr<FakeUsageSource> m_source;
    std::unique_ptr<FakePortal> m_portal;
    std::unique_ptr<FakeStatusNotifierWatcher> m_watcher;
    std::unique_ptr<OstrelApp> m_app;
    QStringList m_labels;
    int m_newIcons = 0;
};

QTEST_MAIN(TestStatusItem)
#include "tst_statusitem.moc"
