#pragma once

#include "views/PanelStyle.h"

#include <QLabel>

// A plain-text label in one of the panel's text styles and foreground
// levels. It follows palette and font changes of the desktop by itself.
// A text that may be cut is elided with "…" when it does not fit; a figure
// that may shrink takes a smaller font first, down to half its size.
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

    // Lets the text give way to its neighbours: elided where it runs short.
    void setElideMode(Qt::TextElideMode mode);
    // Lets a figure shrink to fit before it is elided.
    void setShrinkToFit(bool shrink);

    // The text and font as drawn at the current width.
    QString shownText() const;
    QFont shownFont() const;

    QSize minimumSizeHint() const override;

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    PanelStyle::TextStyle m_style;
    PanelStyle::Weight m_weight;
    PanelStyle::Level m_level;
    Qt::TextElideMode m_elide = Qt::ElideNone;
    bool m_shrink = false;
    bool m_restyling = false;
};
