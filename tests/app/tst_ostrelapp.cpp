#include "app/OstrelApp.h"
#include "app/PanelWindow.h"
#include "views/ContentView.h"

#include "FakeUsageSource.h"
#include "FixedClock.h"

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QDateTime noon(QDate(2025, 1, 8), QTime(12, 0), Qt::UTC);

const QByteArray stats =
    R"({"version":2,"lastComputedDate":"2025-01-08","dailyActivity":[],"dailyModelTokens":[],"modelUsage":{},"totalSessions":3,"totalMessages":4})";

UsageResponse reply()
{
    UsageResponse r;
    r.fiveHour = UsageWindow{42.7, u"2025-01-08T14:05:00.000Z"_s};
    return r;
}

} // namespace

class TestOstrelApp : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        const QString path = m_dir->filePath(u"stats-cache.json"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(stats);
        file.close();
        m_source = std::make_shared<FakeUsageSource>();
        m_app = std::make_unique<OstrelApp>(
            StatsViewModel::Dependencies{std::make_shared<FixedClock>(noon), path, m_source});
    }

    void cleanup()
    {
        m_app.reset();
        m_source.reset();
        m_dir.reset();
    }

    void nothingHappensBeforeThePanelOpens()
    {
        m_app->show();
        QTest::qWait(200);
        QVERIFY(!m_app->viewModel().stats());
        QVERIFY(!m_app->viewModel().lastRefresh());
        QCOMPARE(m_source->started(), 0);
        QCOMPARE(m_app->statusItem().label(), QString());
        QVERIFY(!m_app->statusItem().toolTip().isEmpty());
        QVERIFY(!m_app->panel().isVisible());
    }

    void openingStartsAndTheLabelFollows()
    {
        m_app->togglePanel(QRect(700, 0, 20, 20));
        QVERIFY(m_app->panel().isVisible());
        QVERIFY(m_app->viewModel().stats());
        QCOMPARE(m_source->pending(), 2);
        m_source->complete(1, reply());
        QCOMPARE(m_app->statusItem().label(), u"42% \u00B7 2 hr 5 min"_s);
        QCOMPARE(m_app->statusItem().toolTip(), u"42% \u00B7 2 hr 5 min"_s);
        m_source->complete(0, std::nullopt);
        QCOMPARE(m_app->statusItem().label(), QString());

        // Every showing starts the view model again.
        m_app->panel().close();
        m_app->togglePanel(std::nullopt);
        QCOMPARE(m_source->pending(), 2);
    }

    void panelIsAPopupInsideTheScreen()
    {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        m_app->togglePanel(QRect(screen.right() - 20, screen.top(), 20, 20));
        PanelWindow& panel = m_app->panel();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QCOMPARE(panel.width(), 340);
        QCOMPARE(panel.windowType(), Qt::Popup);
        QVERIFY(panel.x() >= screen.left());
        QVERIFY(panel.geometry().right() <= screen.right());
        // The screen reserves no room for a bar here: one bar height stays clear.
        QVERIFY(panel.y() >= screen.top() + PanelPlacement::assumedBarThickness);
    }

    void escapeAndSecondClickClose()
    {
        m_app->togglePanel(std::nullopt);
        QVERIFY(m_app->panel().isVisible());
        QTest::keyClick(&m_app->panel(), Qt::Key_Escape);
        QVERIFY(!m_app->panel().isVisible());
        m_app->togglePanel(std::nullopt);
        m_app->togglePanel(std::nullopt);
        QVERIFY(!m_app->panel().isVisible());
    }

    void quitFromThePanel()
    {
        QSignalSpy quit(m_app.get(), &OstrelApp::quitRequested);
        emit m_app->panel().content()->quitRequested();
        QCOMPARE(quit.count(), 1);
    }

    void glyphFollowsThePalette()
    {
        const QPalette before = QApplication::palette();
        QPalette dark = before;
        dark.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
        dark.setColor(QPalette::WindowText, QColor(0xf0, 0xf0, 0xf0));
        QApplication::setPalette(dark);
        const QColor onDark = m_app->statusItem().glyphColor();
        QApplication::setPalette(before);
        QVERIFY(onDark.lightness() > 200);
        QVERIFY(m_app->statusItem().glyphColor().lightness() < 60);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<FakeUsageSource> m_source;
    std::unique_ptr<OstrelApp> m_app;
};

QTEST_MAIN(TestOstrelApp)
#include "tst_ostrelapp.moc"
