#include "app/dbus/HostRules.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using enum HostRules::LabelSupport;

Q_DECLARE_METATYPE(HostRules::LabelSupport)

class TestHostRules : public QObject
{
    Q_OBJECT

private slots:
    void watcherProcess_data()
    {
        QTest::addColumn<QString>("process");
        QTest::addColumn<HostRules::LabelSupport>("label");
        QTest::addColumn<bool>("darkPanel");
        QTest::addColumn<bool>("percentInIcon");
        QTest::newRow("GNOME Shell with the AppIndicator extension") << u"gnome-shell"_s << Shown << true << false;
        QTest::newRow("vala-panel") << u"vala-panel"_s << Optional << false << true;
        QTest::newRow("budgie-panel with the sntray plugin") << u"budgie-panel"_s << Optional << false << true;
        QTest::newRow("mate-panel, applet in process") << u"mate-panel"_s << Optional << false << true;
        QTest::newRow("xfce4 sntray plugin") << u"panel-6-sntray"_s << Optional << false << true;
        QTest::newRow("xfce4 sntray plugin, name cut at 15") << u"panel-123-sntra"_s << Optional << false << true;
        QTest::newRow("xfce4 Status Tray") << u"panel-12-systray"_s << NotShown << false << true;
        QTest::newRow("xfce4 plugin with a word for id") << u"panel-x-sntray"_s << NotShown << false << true;
        QTest::newRow("xfce4 plugin name empty") << u"panel-7-"_s << NotShown << false << true;
        QTest::newRow("KDE's kded5") << u"kded5"_s << NotShown << false << true;
        QTest::newRow("another GNOME process") << u"gnome-shell-cal"_s << NotShown << false << true;
    }

    void watcherProcess()
    {
        QFETCH(QString, process);
        const HostRules::HostTraits traits = HostRules::traitsForWatcherProcess(process);
        QTEST(traits.label, "label");
        QTEST(traits.darkPanel, "darkPanel");
        // Only a label known to be shown lets the icon drop the percentage,
        // and never on the fallback, whatever the last host could do.
        QTEST(HostRules::iconCarriesPercent(true, traits.label), "percentInIcon");
        QVERIFY(HostRules::iconCarriesPercent(false, traits.label));
    }
};

QTEST_APPLESS_MAIN(TestHostRules)
#include "tst_hostrules.moc"
