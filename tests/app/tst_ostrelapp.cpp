#include "app/OstrelApp.h"
#include "app/PanelWindow.h"
#include "views/ContentView.h"

#include "FakeUsageSource.h"
#include "FixedClock.h"

#include <QSignalSpy>
#include <QTest>

class TestOstrelApp : public QObject
{
    Q_OBJECT

    std::shared_ptr<FakeUsageSource> m_source = std::make_shared<FakeUsageSource>();
    std::shared_ptr<FixedClock> m_clock = std::make_shared<FixedClock>(QDateTime(QDate(2025, 1, 5), QTime(12, 0), Qt::UTC));
    OstrelApp m_app{{m_clock, OSTREL_TEST_DATA "/real/stats/v3-heavy.json", m_source}};

private slots:
    // Nothing is read or fetched before the panel first shows; each showing
    // starts the view model. A click on the item while the panel is open
    // closes it, and an activation at once after (hosts that activate on the
    // release) does not open it again; a later one does.
    void eachShowingStarts()
    {
        m_app.show();
        QTest::qWait(200);
        QVERIFY(!m_app.viewModel().stats());
        QCOMPARE(m_source->started(), 0);

        m_app.togglePanel(QRect(700, 0, 20, 20));
        QVERIFY(m_app.viewModel().stats());
        while (m_source->pending() > 0)
            m_source->complete(0, std::nullopt);
        m_app.togglePanel(std::nullopt);
        m_app.togglePanel(std::nullopt);
        QVERIFY(!m_app.panel().isVisible());
        QCOMPARE(m_source->pending(), 0);
        // A click after the closing one has passed opens it again.
        const auto clickOpens = [this] {
            if (!m_app.panel().isVisible())
                m_app.togglePanel(std::nullopt);
            return m_app.panel().isVisible();
        };
        QTRY_VERIFY(clickOpens());
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
