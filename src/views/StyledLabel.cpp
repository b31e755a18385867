#include "views/StyledLabel.h"

#include <QApplication>
#include <QEvent>

StyledLabel::StyledLabel(const QString& objectName, PanelStyle::TextStyle style, PanelStyle::Weight weight,
                         PanelStyle::Level level, QWidget* parent)
    : QLabel(parent)
    , m_style(style)
    , m_weight(weight)
    , m_level(level)
{
    setObjectName(objectName);
    // Texts come from files and replies: never interpret them as markup.
    setTextFormat(Qt::PlainText);
    restyle();
}

void StyledLabel::setTextIfChanged(const QString& text)
{
    if (text != this->text())
        setText(text);
}

void StyledLabel::restyle()
{
    if (m_restyling)
        return;
    m_restyling = true;
    setFont(PanelStyle::font(m_style, m_weight));
    const QPalette base = parentWidget() ? parentWidget()->palette() : QApplication::palette();
    // Only the text colour is set here; every other role keeps following the
    // parent, so a change of the desktop's palette still reaches this label.
    QPalette own;
    own.setColor(QPalette::WindowText, PanelStyle::foreground(base, m_level));
    setPalette(own);
    m_restyling = false;
}

void StyledLabel::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::PaletteChange:
    case QEvent::ParentChange:
    case QEvent::ApplicationFontChange:
        restyle();
        break;
    default:
        break;
    }
    QLabel::changeEvent(event);
}
