#include "app/sni/DBusMenuTypes.h"
#include "app/sni/SniTypes.h"
#include "app/sni/StatusNotifierItem.h"

#include "BusPeer.h"
#include "FakeStatusNotifierWatcher.h"
#include "StandInGlyph.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString itemInterface = u"org.kde.StatusNotifierItem"_s;
const QString menuInterface = u"com.canonical.dbusmenu"_s;

QImage standInIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paintStandInGlyph(painter, QRectF(0, 0, size, size));
    return image;
}

// Every pixel set, with the two top-left pixels told apart so a swapped
// byte order or a transposed image shows.
QImage markedIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(qRgba(0x10, 0x20, 0x30, 0xff));
    image.setPixel(0, 0, qRgba(0x11, 0x22, 0x33, 0x80));
    image.setPixel(1, 0, qRgba(0xaa, 0xbb, 0xcc, 0xff));
    return image;
}

QVariant unwrap(const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().at(0).value<QDBusVariant>().variant();
}

template<typename T>
T demarshal(const QVariant& value)
{
    return qdbus_cast<T>(value.value<QDBusArgument>());
}

} // namespace

class TestStatusNotifierItem : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
        SniTypes::registerTypes();
        DBusMenuTypes::registerTypes();
    }

    void init() { m_client = std::make_unique<BusPeer>(u"client"_s); }

    void cleanup()
    {
        m_item.reset();
        m_client.reset();
    }

    void exportsUnderItsOwnName()
    {
        makeItem(standInIcon);
        QVERIFY(m_item->isExported());
        const QString first = m_item->serviceName();
        const QString prefix = u"org.kde.StatusNotifierItem-%1-"_s.arg(QCoreApplication::applicationPid());
        QVERIFY2(first.startsWith(prefix), qPrintable(first));
        QVERIFY(m_client->bus().interface()->isServiceRegistered(first).value());

        // A replacement item (say, after the app rebuilt its status icon)
        // gets the objects back and a name of its own; the old name is gone.
        m_item.reset();
        makeItem(standInIcon);
        QVERIFY(m_item->isExported());
        QVERIFY(m_item->serviceName() != first);
        QVERIFY(!m_client->bus().interface()->isServiceRegistered(first).value());

        // A second item at the same time on the same connection cannot have
        // the paths; it stays out and leaves the first one served.
        StatusNotifierItem second(standInIcon);
        QVERIFY(!second.isExported());
        QVERIFY(second.serviceName().isEmpty());
        QCOMPARE(unwrap(getItemProperty(u"Id"_s)).toString(), u"ostrel"_s);
    }

    void simplePropertiesOverTheBus_data()
    {
        QTest::addColumn<QString>("property");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("Category") << u"Category"_s << QVariant(u"ApplicationStatus"_s);
        QTest::newRow("Id") << u"Id"_s << QVariant(u"ostrel"_s);
        QTest::newRow("Title") << u"Title"_s << QVariant(u"Ostrel"_s);
        QTest::newRow("Status") << u"Status"_s << QVariant(u"Active"_s);
        QTest::newRow("WindowId is an int") << u"WindowId"_s << QVariant(0);
        QTest::newRow("ItemIsMenu is false") << u"ItemIsMenu"_s << QVariant(false);
        QTest::newRow("Menu is an object path") << u"Menu"_s << QVariant::fromValue(QDBusObjectPath(u"/MenuBar"_s));
        QTest::newRow("IconName") << u"IconName"_s << QVariant(QString());
        QTest::newRow("IconThemePath") << u"IconThemePath"_s << QVariant(QString());
        QTest::newRow("OverlayIconName") << u"OverlayIconName"_s << QVariant(QString());
        QTest::newRow("AttentionIconName") << u"AttentionIconName"_s << QVariant(QString());
        QTest::newRow("AttentionMovieName") << u"AttentionMovieName"_s << QVariant(QString());
        QTest::newRow("XAyatanaLabel starts empty") << u"XAyatanaLabel"_s << QVariant(QString());
        QTest::newRow("XAyatanaLabelGuide") << u"XAyatanaLabelGuide"_s << QVariant(StatusNotifierItem::labelGuide());
    }

    void simplePropertiesOverTheBus()
    {
        QFETCH(QString, property);
        QFETCH(QVariant, expected);
        makeItem(standInIcon);
        const QVariant value = unwrap(getItemProperty(property));
        QCOMPARE(value.metaType(), expected.metaType());
        QCOMPARE(value, expected);
    }

    void getAllListsEveryPropertyOnce()
    {
        makeItem(standInIcon);
        QDBusMessage getAll = QDBusMessage::createMethodCall(m_item->serviceName(), u"/StatusNotifierItem"_s,
                                                             u"org.freedesktop.DBus.Properties"_s, u"GetAll"_s);
        getAll << itemInterface;
        const QDBusMessage reply = m_client->call(getAll);
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
        const QVariantMap all = demarshal<QVariantMap>(reply.arguments().at(0));
        QStringList names = all.keys();
        names.sort();
        QStringList expected{u"AttentionIconName"_s, u"AttentionIconPixmap"_s, u"AttentionMovieName"_s,
                             u"Category"_s, u"IconName"_s, u"IconPixmap"_s, u"IconThemePath"_s, u"Id"_s,
                             u"ItemIsMenu"_s, u"Menu"_s, u"OverlayIconName"_s, u"OverlayIconPixmap"_s,
                             u"Status"_s, u"Title"_s, u"ToolTip"_s, u"WindowId"_s, u"XAyatanaLabel"_s,
                             u"XAyatanaLabelGuide"_s};
        QCOMPARE(names, expected);
    }

    void iconPixmapsAtEverySizeInNetworkByteOrder()
    {
        makeItem(markedIcon);
        const QVariant value = unwrap(getItemProperty(u"IconPixmap"_s));
        QCOMPARE(value.value<QDBusArgument>().currentSignature(), u"a(iiay)"_s);
        const DBusImageList pixmaps = demarshal<DBusImageList>(value);
        QList<int> sizes;
        for (const DBusImage& pixmap : pixmaps) {
            sizes << pixmap.width;
            QCOMPARE(pixmap.height, pixmap.width);
            QCOMPARE(pixmap.argb.size(), qsizetype(pixmap.width) * pixmap.height * 4);
            // A, R, G, B for each pixel, not premultiplied.
            QCOMPARE(pixmap.argb.left(8).toHex(), QByteArray("80112233ffaabbcc"));
            QCOMPARE(pixmap.argb.right(4).toHex(), QByteArray("ff102030"));
        }
        QCOMPARE(sizes, (QList<int>{16, 22, 24, 32, 44, 48, 64}));

        for (const QString& empty : {u"OverlayIconPixmap"_s, u"AttentionIconPixmap"_s}) {
            const QVariant none = unwrap(getItemProperty(empty));
            QCOMPARE(none.value<QDBusArgument>().currentSignature(), u"a(iiay)"_s);
            QVERIFY(demarshal<DBusImageList>(none).isEmpty());
        }
    }

    void rendererFaultsStayBounded()
    {
        // Null images are left out, oversized ones scaled down.
        makeItem([](int size) {
            if (size == 16)
                return QImage();
            QImage huge(5000, 2500, QImage::Format_ARGB32);
            huge.fill(Qt::red);
            return huge;
        });
        const DBusImageList pixmaps = demarshal<DBusImageList>(unwrap(getItemProperty(u"IconPixmap"_s)));
        QCOMPARE(pixmaps.size(), 6);
        for (const DBusImage& pixmap : pixmaps) {
            QCOMPARE(pixmap.width, 256);
            QCOMPARE(pixmap.height, 128);
        }
    }

    void labelAndToolTipReadBack_data()
    {
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("percent and time") << QStringList{u"42% \u00B7 2 hr 5 min"_s};
        QTest::newRow("percent only") << QStringList{u"7%"_s};
        QTest::newRow("back to the glyph alone") << QStringList{u"42% \u00B7 2 hr 5 min"_s, QString()};
        QTest::newRow("a run of updates") << QStringList{u"1% \u00B7 now"_s, u"2% \u00B7 59 min"_s, u"100% \u00B7 4 hr 59 min"_s};
    }

    void labelAndToolTipReadBack()
    {
        QFETCH(QStringList, labels);
        makeItem(standInIcon);
        for (const QString& label : labels) {
            m_item->setLabel(label);
            QCOMPARE(unwrap(getItemProperty(u"XAyatanaLabel"_s)).toString(), label);
            const QVariant tip = unwrap(getItemProperty(u"ToolTip"_s));
            QCOMPARE(tip.value<QDBusArgument>().currentSignature(), u"(sa(iiay)ss)"_s);
            const DBusToolTip toolTip = demarshal<DBusToolTip>(tip);
            QCOMPARE(toolTip.title, u"Ostrel"_s);
            QCOMPARE(toolTip.description, label);
        }
    }

    void labelChangeAnnouncedOnTheBus()
    {
        makeItem(standInIcon);
        SignalRecorder recorder;
        listenToItem(recorder);
        const QString label = u"42% \u00B7 2 hr 5 min"_s;
        m_item->setLabel(label);
        QTRY_COMPARE(recorder.messages.size(), 3);
        QCOMPARE(recorder.names(), (QStringList{u"XAyatanaNewLabel"_s, u"PropertiesChanged"_s, u"NewToolTip"_s}));

        const QDBusMessage& newLabel = recorder.messages.at(0);
        QCOMPARE(newLabel.interface(), itemInterface);
        QCOMPARE(newLabel.arguments(), (QVariantList{label, StatusNotifierItem::labelGuide()}));

        const QDBusMessage& changed = recorder.messages.at(1);
        QCOMPARE(changed.signature(), u"sa{sv}as"_s);
        QCOMPARE(changed.arguments().at(0).toString(), itemInterface);
        const QVariantMap properties = demarshal<QVariantMap>(changed.arguments().at(1));
        QCOMPARE(properties.value(u"XAyatanaLabel"_s).toString(), label);
        QCOMPARE(demarshal<DBusToolTip>(properties.value(u"ToolTip"_s)).description, label);
        QCOMPARE(recorder.messages.at(2).interface(), itemInterface);

        // The view model repeats itself every few seconds: an equal label is
        // not announced again. The next change marks where it would have shown.
        m_item->setLabel(label);
        m_item->setLabel(QString());
        QTRY_COMPARE(recorder.messages.size(), 6);
        QCOMPARE(recorder.messages.at(3).member(), u"XAyatanaNewLabel"_s);
        QCOMPARE(recorder.messages.at(3).arguments().at(0).toString(), QString());
    }

    void iconChangeAnnouncedOnTheBus()
    {
        makeItem(standInIcon);
        SignalRecorder recorder;
        listenToItem(recorder);
        m_item->setIconRenderer(markedIcon);
        QTRY_COMPARE(recorder.messages.size(), 2);
        QCOMPARE(recorder.names(), (QStringList{u"PropertiesChanged"_s, u"NewIcon"_s}));
        const QVariantMap properties = demarshal<QVariantMap>(recorder.messages.at(0).arguments().at(1));
        QCOMPARE(properties.keys(), QStringList{u"IconPixmap"_s});
        QCOMPARE(demarshal<DBusImageList>(properties.value(u"IconPixmap"_s)).size(), 7);

        // Drawing the same pixels again is no change; a label change marks the spot.
        m_item->updateIcon();
        m_item->setLabel(u"5%"_s);
        QTRY_COMPARE(recorder.messages.size(), 5);
        QCOMPARE(recorder.messages.at(2).member(), u"XAyatanaNewLabel"_s);
    }

    void activateReportsTheHostsPoint_data()
    {
        QTest::addColumn<QPoint>("sent");
        QTest::addColumn<QPoint>("reported");
        // Units differ per host; the item passes the numbers on untouched and
        // the application judges them against its screens.
        QTest::newRow("root coordinates") << QPoint(1265, 15) << QPoint(1265, 15);
        QTest::newRow("device pixels of a far screen") << QPoint(5000, 3000) << QPoint(5000, 3000);
        QTest::newRow("negative") << QPoint(-40, -2) << QPoint(-40, -2);
        QTest::newRow("no position") << QPoint(0, 0) << QPoint();
    }

    void activateReportsTheHostsPoint()
    {
        QFETCH(QPoint, sent);
        QFETCH(QPoint, reported);
        makeItem(standInIcon);
        QSignalSpy activated(m_item.get(), &StatusNotifierItem::activated);
        QCOMPARE(callItem(u"Activate"_s, {sent.x(), sent.y()}).type(), QDBusMessage::ReplyMessage);
        QCOMPARE(activated.size(), 1);
        const QPoint point = activated.at(0).at(0).toPoint();
        QCOMPARE(point, reported);
        QCOMPARE(point.isNull(), sent.isNull());
    }

    void otherClicks()
    {
        makeItem(standInIcon);
        QSignalSpy activated(m_item.get(), &StatusNotifierItem::activated);
        QSignalSpy secondary(m_item.get(), &StatusNotifierItem::secondaryActivated);
        QSignalSpy context(m_item.get(), &StatusNotifierItem::contextMenuRequested);
        callItem(u"SecondaryActivate"_s, {10, 10});
        callItem(u"XAyatanaSecondaryActivate"_s, {uint(1234)});
        QCOMPARE(secondary.size(), 2);
        callItem(u"ContextMenu"_s, {30, 40});
        QCOMPARE(context.size(), 1);
        QCOMPARE(context.at(0).at(0).toPoint(), QPoint(30, 40));
        QCOMPARE(callItem(u"Scroll"_s, {120, u"vertical"_s}).type(), QDBusMessage::ReplyMessage);
        QCOMPARE(activated.size(), 0);
    }

    void activationToken_data()
    {
        QTest::addColumn<QString>("token");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("plasma-style") << u"kwin-8f1c2a"_s << QByteArray("kwin-8f1c2a");
        QTest::newRow("gnome-style") << u"gnome-shell/Ostrel/1234-0-host_TIME42"_s
                                     << QByteArray("gnome-shell/Ostrel/1234-0-host_TIME42");
        QTest::newRow("empty keeps the earlier") << QString() << QByteArray("earlier");
        QTest::newRow("control characters refused") << u"a\nb"_s << QByteArray("earlier");
        QTest::newRow("overlong refused") << QString(5000, u'x') << QByteArray("earlier");
    }

    void activationToken()
    {
        QFETCH(QString, token);
        QFETCH(QByteArray, stored);
        makeItem(standInIcon);
        qputenv("XDG_ACTIVATION_TOKEN", "earlier");
        QCOMPARE(callItem(u"ProvideXdgActivationToken"_s, {token}).type(), QDBusMessage::ReplyMessage);
        QCOMPARE(qgetenv("XDG_ACTIVATION_TOKEN"), stored);
        qunsetenv("XDG_ACTIVATION_TOKEN");
    }

    void menuLayout()
    {
        makeItem(standInIcon);
        QDBusMessage reply = callMenu(u"GetLayout"_s, {0, -1, QStringList()});
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
        QCOMPARE(reply.signature(), u"u(ia{sv}av)"_s);
        DBusMenuLayoutItem root = demarshal<DBusMenuLayoutItem>(reply.arguments().at(1));
        QCOMPARE(root.id, 0);
        QCOMPARE(root.properties.value(u"children-display"_s).toString(), u"submenu"_s);
        QStringList labels;
        QList<int> ids;
        for (const DBusMenuLayoutItem& child : root.children) {
            ids << child.id;
            labels << child.properties.value(u"label"_s).toString();
            QVERIFY(child.properties.value(u"enabled"_s).toBool());
            QVERIFY(child.children.isEmpty());
        }
        QCOMPARE(labels, (QStringList{u"Open"_s, u"Refresh"_s, u"Quit"_s}));
        QCOMPARE(QSet<int>(ids.cbegin(), ids.cend()).size(), 3);
        QVERIFY(!ids.contains(0));

        // Depth 0: the item alone. A property filter: only those.
        root = demarshal<DBusMenuLayoutItem>(callMenu(u"GetLayout"_s, {0, 0, QStringList()}).arguments().at(1));
        QVERIFY(root.children.isEmpty());
        root = demarshal<DBusMenuLayoutItem>(
            callMenu(u"GetLayout"_s, {0, 1, QStringList{u"label"_s}}).arguments().at(1));
        QCOMPARE(root.children.size(), 3);
        QCOMPARE(root.children.at(0).properties.keys(), QStringList{u"label"_s});

        QCOMPARE(callMenu(u"GetLayout"_s, {99, -1, QStringList()}).type(), QDBusMessage::ErrorMessage);
    }

    void menuProperties()
    {
        makeItem(standInIcon);
        const QList<int> ids = menuItemIds();
        const QDBusMessage group = callMenu(u"GetGroupProperties"_s,
                                            {QVariant::fromValue(QList<int>{ids.at(2), 77}), QStringList{u"label"_s}});
        QCOMPARE(group.signature(), u"a(ia{sv})"_s);
        const DBusMenuItemList items = demarshal<DBusMenuItemList>(group.arguments().at(0));
        QCOMPARE(items.size(), 1);
        QCOMPARE(items.at(0).properties, (QVariantMap{{u"label"_s, u"Quit"_s}}));

        const QDBusMessage label = callMenu(u"GetProperty"_s, {ids.at(1), u"label"_s});
        QCOMPARE(label.arguments().at(0).value<QDBusVariant>().variant().toString(), u"Refresh"_s);
        QCOMPARE(callMenu(u"GetProperty"_s, {ids.at(1), u"no-such"_s}).type(), QDBusMessage::ErrorMessage);

        QCOMPARE(unwrap(m_client->getProperty(m_item->serviceName(), u"/MenuBar"_s, menuInterface, u"Version"_s)),
                 QVariant(uint(3)));
        QCOMPARE(unwrap(m_client->getProperty(m_item->serviceName(), u"/MenuBar"_s, menuInterface, u"Status"_s)),
                 QVariant(u"normal"_s));

        const QDBusMessage aboutToShow = callMenu(u"AboutToShow"_s, {0});
        QCOMPARE(aboutToShow.arguments(), QVariantList{false});
        const QDBusMessage groupShow = callMenu(u"AboutToShowGroup"_s, {QVariant::fromValue(QList<int>{0, 55})});
        QCOMPARE(groupShow.signature(), u"aiai"_s);
        QCOMPARE(demarshal<QList<int>>(groupShow.arguments().at(1)), QList<int>{55});
    }

    void menuClicks_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("event");
        QTest::addColumn<int>("open");
        QTest::addColumn<int>("refresh");
        QTest::addColumn<int>("quit");
        QTest::newRow("Open clicked") << 0 << u"clicked"_s << 1 << 0 << 0;
        QTest::newRow("Refresh clicked") << 1 << u"clicked"_s << 0 << 1 << 0;
        QTest::newRow("Quit clicked") << 2 << u"clicked"_s << 0 << 0 << 1;
        QTest::newRow("Quit hovered") << 2 << u"hovered"_s << 0 << 0 << 0;
        QTest::newRow("root clicked") << -1 << u"clicked"_s << 0 << 0 << 0;
    }

    void menuClicks()
    {
        QFETCH(int, index);
        QFETCH(QString, event);
        makeItem(standInIcon);
        const QList<int> ids = menuItemIds();
        QSignalSpy open(m_item.get(), &StatusNotifierItem::openRequested);
        QSignalSpy refresh(m_item.get(), &StatusNotifierItem::refreshRequested);
        QSignalSpy quit(m_item.get(), &StatusNotifierItem::quitRequested);
        const int id = index < 0 ? 0 : ids.at(index);
        const QDBusMessage reply = callMenu(u"Event"_s, {id, event, QVariant::fromValue(QDBusVariant(QString())), uint(0)});
        QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
        QTEST(int(open.size()), "open");
        QTEST(int(refresh.size()), "refresh");
        QTEST(int(quit.size()), "quit");
    }

    void menuEventErrors()
    {
        makeItem(standInIcon);
        const QList<int> ids = menuItemIds();
        QSignalSpy refresh(m_item.get(), &StatusNotifierItem::refreshRequested);
        QCOMPARE(callMenu(u"Event"_s, {42, u"clicked"_s, QVariant::fromValue(QDBusVariant(0)), uint(0)}).type(),
                 QDBusMessage::ErrorMessage);

        // The group form acts on the known ids and names the rest.
        const DBusMenuEventList events{{42, u"clicked"_s, QDBusVariant(0), 0},
                                       {ids.at(1), u"clicked"_s, QDBusVariant(0), 0}};
        const QDBusMessage reply = callMenu(u"EventGroup"_s, {QVariant::fromValue(events)});
        QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
        QCOMPARE(demarshal<QList<int>>(reply.arguments().at(0)), QList<int>{42});
        QCOMPARE(refresh.size(), 1);
    }

    void registersWithAWatcherThatStartsLater()
    {
        makeItem(standInIcon);
        QTest::qWait(100); // the first attempt finds no watcher
        FakeStatusNotifierWatcher watcher(true);
        QVERIFY(watcher.started());
        QTRY_COMPARE(watcher.registeredItems(), QStringList{m_item->serviceName()});
    }

    void registersAgainWhenTheWatcherRestarts()
    {
        auto first = std::make_unique<FakeStatusNotifierWatcher>(true);
        QVERIFY(first->started());
        makeItem(standInIcon);
        QTRY_COMPARE(first->registeredItems(), QStringList{m_item->serviceName()});
        first.reset();
        // The bus must have freed the name before the next watcher can take it.
        QTRY_VERIFY(!m_client->bus().interface()->isServiceRegistered(u"org.kde.StatusNotifierWatcher"_s).value());
        FakeStatusNotifierWatcher second(true);
        QVERIFY(second.started());
        QTRY_COMPARE(second.registeredItems(), QStringList{m_item->serviceName()});
    }

    void registersWithAWatcherThatServesLate()
    {
        makeItem(standInIcon);
        QTest::qWait(100);
        // The name appears half a second before the object: the first
        // attempts find nothing and the item keeps trying.
        FakeStatusNotifierWatcher watcher(true, std::chrono::milliseconds(500));
        QVERIFY(watcher.started());
        QTRY_COMPARE_WITH_TIMEOUT(watcher.registeredItems(), QStringList{m_item->serviceName()}, 10000);
        QCOMPARE(watcher.registerCalls(), 1);
    }

    void inertWithoutABus()
    {
        StatusNotifierItem item(standInIcon, QDBusConnection(u"never-connected"_s));
        QVERIFY(!item.isExported());
        QVERIFY(item.serviceName().isEmpty());
        item.setLabel(u"42%"_s);
        QCOMPARE(item.label(), u"42%"_s);
        QCOMPARE(item.iconPixmaps().size(), 7);
    }

private:
    void makeItem(StatusNotifierItem::IconRenderer renderer)
    {
        m_item = std::make_unique<StatusNotifierItem>(std::move(renderer));
    }

    QDBusMessage getItemProperty(const QString& name)
    {
        return m_client->getProperty(m_item->serviceName(), u"/StatusNotifierItem"_s, itemInterface, name);
    }

    QDBusMessage callItem(const QString& method, const QVariantList& arguments)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(m_item->serviceName(), u"/StatusNotifierItem"_s,
                                                           itemInterface, method);
        call.setArguments(arguments);
        return m_client->call(call);
    }

    QDBusMessage callMenu(const QString& method, const QVariantList& arguments)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(m_item->serviceName(), u"/MenuBar"_s, menuInterface, method);
        call.setArguments(arguments);
        return m_client->call(call);
    }

    // The ids as the host learns them, from the layout.
    QList<int> menuItemIds()
    {
        const DBusMenuLayoutItem root =
            demarshal<DBusMenuLayoutItem>(callMenu(u"GetLayout"_s, {0, -1, QStringList()}).arguments().at(1));
        QList<int> ids;
        for (const DBusMenuLayoutItem& child : root.children)
            ids << child.id;
        return ids;
    }

    void listenToItem(SignalRecorder& recorder)
    {
        QDBusConnection& bus = m_client->bus();
        const QString service = m_item->serviceName();
        for (const QString& name : {u"XAyatanaNewLabel"_s, u"NewToolTip"_s, u"NewIcon"_s})
            QVERIFY(recorder.listen(bus, service, u"/StatusNotifierItem"_s, itemInterface, name));
        QVERIFY(recorder.listen(bus, service, u"/StatusNotifierItem"_s, u"org.freedesktop.DBus.Properties"_s,
                                u"PropertiesChanged"_s));
    }

    std::unique_ptr<BusPeer> m_client;
    std::unique_ptr<StatusNotifierItem> m_item;
};

QTEST_MAIN(TestStatusNotifierItem)
#include "tst_statusnotifieritem.moc"
