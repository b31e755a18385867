#include "app/OstrelApp.h"

#include "app/PanelPlacement.h"
#include "app/PanelWindow.h"

#include <QEvent>

OstrelApp::OstrelApp(StatsViewModel::Dependencies dependencies, QObject* parent)
    : QObject(parent)
    , m_viewModel(std::move(dependencies))
    , m_panel(std::make_unique<PanelWindow>(m_viewModel, PanelPlacement::currentPlatform()))
{
    followViewModel();
    connect(&m_viewModel, &StatsViewModel::changed, this, &OstrelApp::followViewModel);
    connect(&m_statusItem, &StatusItem::activated, this, &OstrelApp::togglePanel);
    connect(&m_statusItem, &StatusItem::openRequested, this, &OstrelApp::showPanel);
    connect(&m_statusItem, &StatusItem::refreshRequested, this, &OstrelApp::refresh);
    connect(&m_statusItem, &StatusItem::quitRequested, this, &OstrelApp::quitRequested);
    connect(m_panel.get(), &PanelWindow::quitRequested, this, &OstrelApp::quitRequested);
    connect(m_panel.get(), &PanelWindow::opening, this, [this] {
        m_started = true;
        m_viewModel.start();
    });
    m_panel->installEventFilter(this);
}

bool OstrelApp::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_panel.get() && event->type() == QEvent::Hide)
        m_panelClosed.start();
    return QObject::eventFilter(watched, event);
}

OstrelApp::~OstrelApp()
{
    // The panel reads the view model until it is gone.
    m_panel.reset();
}

void OstrelApp::show()
{
    m_statusItem.show();
}

void OstrelApp::togglePanel(std::optional<QRect> anchor)
{
    if (m_panel->isVisible()) {
        m_panel->close();
        return;
    }
    // A click on the item while the panel is open closes the panel on the
    // press (a click outside a popup), and some hosts (xfce4-panel) send
    // their activation on the release, just after: that one is the same
    // click, not a new one.
    if (m_panelClosed.isValid() && m_panelClosed.elapsed() < sameClickMs)
        return;
    m_panel->popup(anchor);
}

void OstrelApp::showPanel(std::optional<QRect> anchor)
{
    m_panel->popup(anchor);
}

void OstrelApp::showPanelNearItem()
{
    showPanel(m_statusItem.geometry());
}

void OstrelApp::refresh()
{
    if (m_started)
        m_viewModel.refresh();
    else
        m_viewModel.start();
    m_started = true;
}

void OstrelApp::followViewModel()
{
    // The tooltip: the label, then why the figures are kept or missing.
    const QString label = m_viewModel.menuBarLabel();
    QStringList tip{label, m_viewModel.usageToolTip()};
    tip.removeAll(QString());
    m_statusItem.setContent(label, m_viewModel.sessionPercent(), tip.join(u'\n'));
    // Before the first start there are no figures, so no alerts either; kept
    // figures, during a rate-limit wait, are old news.
    const bool kept = m_viewModel.usageStatus().kept;
    for (const LimitAlerts::Alert& alert : m_alerts.update(m_viewModel.usage(), kept, m_viewModel.clock().now()))
        m_statusItem.notify(alert);
}
