#pragma once

#include "app/PanelPlacement.h"

#include <QRect>
#include <QWidget>

#include <optional>

class ContentView;
class StatsViewModel;

// The window that carries the panel. On X11 a popup: no decoration, no
// taskbar entry, placed next to the status item and closed by Escape or a
// click elsewhere. On Wayland, where clients cannot place windows, a small
// tool window that the compositor places and that closes when it loses focus.
class PanelWindow : public QWidget
{
    Q_OBJECT

public:
    PanelWindow(StatsViewModel& viewModel, PanelPlacement::Platform platform, QWidget* parent = nullptr);

    ContentView* content() const { return m_content; }

    // Shows the panel next to the anchor, or where the compositor likes.
    void popup(std::optional<QRect> anchor);

signals:
    // Emitted each time the panel is shown.
    void shown();
    void quitRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    PanelPlacement::Input placement() const;
    // Holds the panel to the height of the screen it opens on.
    void fitToScreen();
    void place();
    void refit();

    PanelPlacement::Platform m_platform;
    ContentView* m_content;
    std::optional<QRect> m_anchor;
};
