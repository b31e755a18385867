#pragma once

#include "app/StatusItem.h"
#include "model/StatsViewModel.h"

#include <QElapsedTimer>
#include <QObject>

#include <memory>

class PanelWindow;

// The application: owns the one view model, the status item and the panel.
// Nothing is read or fetched until the panel is first shown; every showing
// (re)starts the view model, which then keeps itself current.
class OstrelApp : public QObject
{
    Q_OBJECT

public:
    explicit OstrelApp(StatsViewModel::Dependencies dependencies, QObject* parent = nullptr);
    ~OstrelApp() override;

    // Puts the item into the status area.
    void show();
    // A click on the item: opens the panel near `anchor`, or closes it.
    void togglePanel(std::optional<QRect> anchor);
    // Opens the panel (or brings it forward) near `anchor`.
    void showPanel(std::optional<QRect> anchor);
    // For a second launch: the panel near the status item, wherever that is.
    void showPanelNearItem();
    // The menu's Refresh. Before the panel has ever been shown it starts the
    // view model instead, so the label does not freeze on a single reading.
    void refresh();

    StatsViewModel& viewModel() { return m_viewModel; }
    StatusItem& statusItem() { return m_statusItem; }
    PanelWindow& panel() { return *m_panel; }

signals:
    void quitRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // How long after the panel closed an activation still belongs to the
    // click that closed it.
    static constexpr qint64 sameClickMs = 400;

    void followViewModel();

    StatsViewModel m_viewModel;
    StatusItem m_statusItem;
    LimitAlerts m_alerts;
    std::unique_ptr<PanelWindow> m_panel;
    bool m_started = false;
    QElapsedTimer m_panelClosed;
};
