#include "app/sni/ColorSchemeWatcher.h"

#include "FakePortal.h"

#include <QGuiApplication>
#include <QPalette>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(ColorScheme)

namespace {

QVariant wrapped(const QVariant& value)
{
    return QVariant::fromValue(QDBusVariant(value));
}

} // namespace

class TestColorSchemeWatcher : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session");
        m_palette = QGuiApplication::palette();
        // The offscreen platform's palette is a light one.
        QVERIFY(m_palette.color(QPalette::Window).lightnessF() > 0.5);
    }

    void cleanup()
    {
        m_portal.reset();
        QGuiApplication::setPalette(m_palette);
        QTRY_VERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(u"org.freedesktop.portal.Desktop"_s).value());
    }

    void portalValue_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("scheme"); // -1: unusable
        QTest::newRow("no preference is light") << QVariant(uint(0)) << int(ColorScheme::Light);
        QTest::newRow("dark") << QVariant(uint(1)) << int(ColorScheme::Dark);
        QTest::newRow("light") << QVariant(uint(2)) << int(ColorScheme::Light);
        QTest::newRow("unknown number") << QVariant(uint(3)) << -1;
        QTest::newRow("signed dark") << QVariant(1) << int(ColorScheme::Dark);
        QTest::newRow("negative") << QVariant(-1) << -1;
        QTest::newRow("Read's extra variant") << wrapped(uint(1)) << int(ColorScheme::Dark);
        QTest::newRow("two extra variants") << wrapped(wrapped(uint(1))) << int(ColorScheme::Dark);
        QTest::newRow("variants without end") << wrapped(wrapped(wrapped(wrapped(uint(1))))) << -1;
        QTest::newRow("text") << QVariant(u"1"_s) << -1;
        QTest::newRow("boolean") << QVariant(true) << -1;
        QTest::newRow("floating point") << QVariant(1.0) << -1;
        QTest::newRow("nothing") << QVariant() << -1;
    }

    void portalValue()
    {
        QFETCH(QVariant, value);
        QFETCH(int, scheme);
        const std::optional<ColorScheme> parsed = ColorSchemeWatcher::fromPortalValue(value);
        QCOMPARE(parsed ? int(*parsed) : -1, scheme);
    }

    void readsThePortal_data()
    {
        QTest::addColumn<bool>("hasReadOne");
        QTest::addColumn<uint>("value");
        QTest::addColumn<ColorScheme>("scheme");
        QTest::newRow("ReadOne: dark") << true << 1u << ColorScheme::Dark;
        QTest::newRow("ReadOne: light") << true << 2u << ColorScheme::Light;
        QTest::newRow("ReadOne: no preference") << true << 0u << ColorScheme::Light;
        QTest::newRow("old portal, Read: dark") << false << 1u << ColorScheme::Dark;
        QTest::newRow("old portal, Read: light") << false << 2u << ColorScheme::Light;
    }

    void readsThePortal()
    {
        QFETCH(bool, hasReadOne);
        QFETCH(uint, value);
        QFETCH(ColorScheme, scheme);
        startPortal(value, hasReadOne);
        ColorSchemeWatcher watcher;
        QCOMPARE(watcher.scheme(), ColorScheme::Light); // the palette's, until the portal answers
        QTRY_VERIFY(watcher.followsPortal());
        QCOMPARE(watcher.scheme(), scheme);
        QCOMPARE(m_portal->reads(), 1);
    }

    void followsChangesLive()
    {
        startPortal(2u, true);
        ColorSchemeWatcher watcher;
        QTRY_VERIFY(watcher.followsPortal());
        QSignalSpy changed(&watcher, &ColorSchemeWatcher::schemeChanged);

        m_portal->change(u"org.freedesktop.appearance"_s, u"color-scheme"_s, uint(1));
        QVERIFY(changed.wait());
        QCOMPARE(changed.last().at(0).value<ColorScheme>(), ColorScheme::Dark);

        // Other settings and a repeated value change nothing; the next real
        // change shows they were passed.
        m_portal->change(u"org.gnome.desktop.interface"_s, u"color-scheme"_s, uint(2));
        m_portal->change(u"org.freedesktop.appearance"_s, u"accent-color"_s, uint(2));
        m_portal->change(u"org.freedesktop.appearance"_s, u"color-scheme"_s, uint(1));
        m_portal->change(u"org.freedesktop.appearance"_s, u"color-scheme"_s, uint(0));
        QVERIFY(changed.wait());
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed.last().at(0).value<ColorScheme>(), ColorScheme::Light);
        QCOMPARE(watcher.scheme(), ColorScheme::Light);
    }

    void withoutPortalThePalette()
    {
        ColorSchemeWatcher watcher;
        QSignalSpy changed(&watcher, &ColorSchemeWatcher::schemeChanged);
        QTest::qWait(200); // the portal call fails
        QVERIFY(!watcher.followsPortal());
        QCOMPARE(watcher.scheme(), ColorScheme::Light);

        QPalette dark = m_palette;
        dark.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
        QGuiApplication::setPalette(dark);
        QTRY_COMPARE(watcher.scheme(), ColorScheme::Dark);
        QCOMPARE(changed.size(), 1);
    }

    void portalOutranksThePalette()
    {
        startPortal(2u, true);
        ColorSchemeWatcher watcher;
        QTRY_VERIFY(watcher.followsPortal());
        QPalette dark = m_palette;
        dark.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
        QGuiApplication::setPalette(dark);
        QCoreApplication::processEvents();
        QCOMPARE(watcher.scheme(), ColorScheme::Light);
    }

    void portalWithoutTheSettingLeavesThePalette()
    {
        startPortal(QVariant(), true);
        ColorSchemeWatcher watcher;
        QTRY_COMPARE(m_portal->reads(), 1);
        QTest::qWait(50);
        QVERIFY(!watcher.followsPortal());
        QCOMPARE(watcher.scheme(), ColorScheme::Light);
    }

private:
    void startPortal(const QVariant& value, bool hasReadOne)
    {
        m_portal = std::make_unique<FakePortal>(value, hasReadOne);
        QVERIFY(m_portal->started());
    }

    QPalette m_palette;
    std::unique_ptr<FakePortal> m_portal;
};

QTEST_MAIN(TestColorSchemeWatcher)
#include "tst_colorschemewatcher.moc"
