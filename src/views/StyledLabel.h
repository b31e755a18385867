#pragma once

#include "views/PanelStyle.h"

#include <QLabel>

// A plain-text label in one of the panel's text styles and foreground
// levels. It follows palette and font changes of the desktop by itself.
class StyledLabel : public QLabel
{
    Q_OBJECT

public:
    StyledLabel(const QString& objectName, PanelStyle::TextStyle style, PanelStyle::Weight weight,
                PanelStyle::Level level, QWidget* parent = nullptr);

    // Sets the text only when it differs, so steady updates cost no relayout.
    void setTextIfChanged(const QString& text);

    // Recomputes font and colour from the system font and the parent's palette.
    void restyle();

protected:
    void changeEvent(QEvent* event) override;

private:
    PanelStyle::TextStyle m_style;
    PanelStyle::Weight m_weight;
    PanelStyle::Level m_level;
    bool m_restyling = false;
};
