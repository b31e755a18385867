#pragma once

#include "app/PanelPlacement.h"

#include <QRect>
#include <QTimer>
#include <QWidget>

#include <optional>

class ContentView;
class StatsViewModel;

// The window that carries the panel: undecorated, in no taskbar or window
// list, next to the status item where the platform lets a client place
// windows, and closed by Escape, a click elsewhere or the loss of the focus.
// Which kind of window does that depends on the platform
// (PanelPlacement::windowKind).
class PanelWindow : public QWidget
{
    Q_OBJECT

public:
    PanelWindow(StatsViewModel& viewModel, PanelPlacement::Platform platform, QWidget* parent = nullptr);

    ContentView* content() const { return m_content; }

    // Shows the panel next to the anchor, or where the compositor likes.
    void popup(std::optional<QRect> anchor);

signals:
    // Each time the panel is about to show, before it is measured: what it
    // shows should be current by then.
    void opening();
    void quitRequested();

protected:
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    PanelPlacement::Input placement() const;
    // Holds the panel to the height of the screen it opens on.
    void fitToScreen();
    void place();
    void refit();
    void askForFocus();
    void followFocus(QWindow* focus);

    PanelPlacement::Platform m_platform;
    PanelPlacement::WindowKind m_kind;
    ContentView* m_content;
    std::optional<QRect> m_anchor;
    QTimer m_focusRequests;
    int m_focusRequestsLeft = 0;
    bool m_hadFocus = false;
};
