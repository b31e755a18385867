#include "app/sni/HostRules.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using HostRules::LabelSupport;

Q_DECLARE_METATYPE(HostRules::LabelSupport)

class TestHostRules : public QObject
{
    Q_OBJECT

private slots:
    void watcherProcess_data()
    {
        QTest::addColumn<QString>("process");
        QTest::addColumn<LabelSupport>("label");
        QTest::addColumn<bool>("darkPanel");

        QTest::newRow("GNOME Shell with the AppIndicator extension") << u"gnome-shell"_s << LabelSupport::Shown << true;
        QTest::newRow("vala-panel") << u"vala-panel"_s << LabelSupport::Optional << false;
        QTest::newRow("budgie-panel with the sntray plugin") << u"budgie-panel"_s << LabelSupport::Optional << false;
        QTest::newRow("mate-panel, applet in process") << u"mate-panel"_s << LabelSupport::Optional << false;
        QTest::newRow("xfce4 sntray plugin") << u"panel-6-sntray"_s << LabelSupport::Optional << false;
        QTest::newRow("xfce4 sntray plugin, name cut at 15") << u"panel-123-sntra"_s << LabelSupport::Optional << false;
        QTest::newRow("xfce4 Status Tray") << u"panel-12-systray"_s << LabelSupport::NotShown << false;
        QTest::newRow("xfce4 Status Tray, name cut at 15") << u"panel-1234-syst"_s << LabelSupport::NotShown << false;
        QTest::newRow("xfce4 plugin without id") << u"panel--sntray"_s << LabelSupport::NotShown << false;
        QTest::newRow("xfce4 plugin with a word for id") << u"panel-x-sntray"_s << LabelSupport::NotShown << false;
        QTest::newRow("xfce4 plugin name empty") << u"panel-7-"_s << LabelSupport::NotShown << false;
        QTest::newRow("xfce4-panel itself") << u"xfce4-panel"_s << LabelSupport::NotShown << false;
        QTest::newRow("KDE's kded5") << u"kded5"_s << LabelSupport::NotShown << false;
        QTest::newRow("KDE's kded6") << u"kded6"_s << LabelSupport::NotShown << false;
        QTest::newRow("plasmashell") << u"plasmashell"_s << LabelSupport::NotShown << false;
        QTest::newRow("waybar") << u"waybar"_s << LabelSupport::NotShown << false;
        QTest::newRow("standalone status-notifier-watcher") << u"status-notifier"_s << LabelSupport::NotShown << false;
        QTest::newRow("snixembed") << u"snixembed"_s << LabelSupport::NotShown << false;
        QTest::newRow("another GNOME process") << u"gnome-shell-cal"_s << LabelSupport::NotShown << false;
        QTest::newRow("case matters") << u"Gnome-Shell"_s << LabelSupport::NotShown << false;
        QTest::newRow("trailing newline not stripped") << u"gnome-shell\n"_s << LabelSupport::NotShown << false;
        QTest::newRow("unknown: no process found") << QString() << LabelSupport::NotShown << false;
    }

    void watcherProcess()
    {
        QFETCH(QString, process);
        const HostRules::HostTraits traits = HostRules::traitsForWatcherProcess(process);
        QTEST(traits.label, "label");
        QTEST(traits.darkPanel, "darkPanel");
    }

    void iconCarriesPercent_data()
    {
        QTest::addColumn<bool>("statusNotifierItem");
        QTest::addColumn<LabelSupport>("label");
        QTest::addColumn<bool>("carries");
        QTest::newRow("SNI host drawing the label") << true << LabelSupport::Shown << false;
        QTest::newRow("SNI host with an opt-in label") << true << LabelSupport::Optional << true;
        QTest::newRow("SNI host without label") << true << LabelSupport::NotShown << true;
        QTest::newRow("XEmbed fallback") << false << LabelSupport::NotShown << true;
        QTest::newRow("XEmbed fallback, stale label support") << false << LabelSupport::Shown << true;
    }

    void iconCarriesPercent()
    {
        QFETCH(bool, statusNotifierItem);
        QFETCH(LabelSupport, label);
        QTEST(HostRules::iconCarriesPercent(statusNotifierItem, label), "carries");
    }
};

QTEST_APPLESS_MAIN(TestHostRules)
#include "tst_hostrules.moc"
