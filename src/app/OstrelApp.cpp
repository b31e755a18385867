#include "app/OstrelApp.h"

#include "app/PanelPlacement.h"
#include "app/PanelWindow.h"

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
    connect(m_panel.get(), &PanelWindow::shown, this, [this] {
        m_started = true;
        m_viewModel.start();
    });
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
    m_statusItem.setContent(m_viewModel.menuBarLabel(), m_viewModel.sessionPercent());
    // Before the first start there are no figures, so no alerts either.
    for (const LimitAlerts::Alert& alert : m_alerts.update(m_viewModel.usage(), false, m_viewModel.clock().now()))
        m_statusItem.notify(alert);
}
