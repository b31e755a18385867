#pragma once

#include "model/NamedColor.h"
#include "views/PanelStyle.h"
#include "views/Symbols.h"

#include <QWidget>

#include <optional>

// A square symbol sized like a text style, tinted with a named colour or
// drawn in a foreground level.
class SymbolView : public QWidget
{
    Q_OBJECT

public:
    SymbolView(const QString& objectName, Symbols::Symbol symbol, PanelStyle::TextStyle sizedLike,
               QWidget* parent = nullptr);

    void setTint(NamedColor color);
    void setLevel(PanelStyle::Level level);
    // Fixes the side instead of taking it from the text style.
    void setSide(int side);
    QColor color() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateSide();

    Symbols::Symbol m_symbol;
    PanelStyle::TextStyle m_sizedLike;
    std::optional<int> m_fixedSide;
    std::optional<NamedColor> m_tint;
    PanelStyle::Level m_level = PanelStyle::Level::Primary;
};
