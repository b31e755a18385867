#pragma once

#include "app/StatusItem.h"
#include "model/StatsViewModel.h"

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
    inline static const QString applicationId = QStringLiteral("io.github.ostrel.Ostrel");

    explicit OstrelApp(StatsViewModel::Dependencies dependencies = StatsViewModel::defaultDependencies(),
                       QObject* parent = nullptr);
    ~OstrelApp() override;

    // Puts the item into the status area.
    void show();
    void openPanel(std::optional<QRect> anchor);

    StatsViewModel& viewModel() { return m_viewModel; }
    StatusItem& statusItem() { return m_statusItem; }
    PanelWindow& panel() { return *m_panel; }

signals:
    void quitRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void followViewModel();

    StatsViewModel m_viewModel;
    StatusItem m_statusItem;
    std::unique_ptr<PanelWindow> m_panel;
};
