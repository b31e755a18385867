#include "app/OstrelApp.h"

#include "app/MenuBarIcon.h"
#include "app/PanelWindow.h"

#include <QApplication>
#include <QEvent>

OstrelApp::OstrelApp(StatsViewModel::Dependencies dependencies, QObject* parent)
    : QObject(parent)
    , m_viewModel(std::move(dependencies))
    , m_panel(std::make_unique<PanelWindow>(m_viewModel, PanelWindow::currentPlatform()))
{
    m_statusItem.setGlyphColor(MenuBarIcon::colorFor(QApplication::palette()));
    followViewModel();
    connect(&m_viewModel, &StatsViewModel::changed, this, &OstrelApp::followViewModel);
    connect(&m_statusItem, &StatusItem::activated, this, &OstrelApp::openPanel);
    connect(&m_statusItem, &StatusItem::quitRequested, this, &OstrelApp::quitRequested);
    connect(m_panel.get(), &PanelWindow::quitRequested, this, &OstrelApp::quitRequested);
    connect(m_panel.get(), &PanelWindow::shown, &m_viewModel, &StatsViewModel::start);
    qApp->installEventFilter(this);
}

OstrelApp::~OstrelApp()
{
    qApp->removeEventFilter(this);
    // The panel reads the view model until it is gone.
    m_panel.reset();
}

void OstrelApp::show()
{
    m_statusItem.show();
}

void OstrelApp::openPanel(std::optional<QRect> anchor)
{
    if (m_panel->isVisible()) {
        m_panel->close();
        return;
    }
    m_panel->popup(anchor);
}

void OstrelApp::followViewModel()
{
    m_statusItem.setLabel(m_viewModel.menuBarLabel());
}

bool OstrelApp::eventFilter(QObject* watched, QEvent* event)
{
    // The host does not recolour our glyph: keep it readable on the new palette.
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange)
        m_statusItem.setGlyphColor(MenuBarIcon::colorFor(QApplication::palette()));
    return QObject::eventFilter(watched, event);
}
