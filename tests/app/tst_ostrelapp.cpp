#include "app/OstrelApp.h"
#include "app/PanelWindow.h"
#include "views/ContentView.h"

#include "FakeUsageSource.h"

#include <QSignalSpy>
#include <QTest>

class TestOstrelApp : public QObject
{
    Q_OBJECT

    std::shared_ptr<FakeUsageSource> m_source = std::make_shared<FakeUsageSource>();
    OstrelApp m_app{{.statsPath = OSTREL_TEST_DATA "/real/stats/v3-heavy.json", .usageSource = m_source}};

private slots:
    // Nothing is read or fetched before the panel first shows; every showing
    // starts the view model (statistics read, usage fetched); a click on the
    // item while the panel is open closes it.
    void eachShowingStarts()
    {
        m_app.show();
        QTest::qWait(200);
        QVERIFY(!m_app.viewModel().stats());
        QCOMPARE(m_source->started(), 0);

        m_app.togglePanel(QRect(700, 0, 20, 20));
        QCOMPARE(m_app.panel().width(), 340);
        QVERIFY(m_app.viewModel().stats());
        QVERIFY(m_source->pending() > 0);
        while (m_source->pending() > 0)
            m_source->complete(0, std::nullopt);
        m_app.togglePanel(std::nullopt);
        QVERIFY(!m_app.panel().isVisible());
        m_app.togglePanel(std::nullopt);
        QVERIFY(m_source->pending() > 0);
    }

    void quitFromThePanel()
    {
        QSignalSpy quit(&m_app, &OstrelApp::quitRequested);
        emit m_app.panel().content()->quitRequested();
        QCOMPARE(quit.count(), 1);
    }
};

QTEST_MAIN(TestOstrelApp)
#include "tst_ostrelapp.moc"
