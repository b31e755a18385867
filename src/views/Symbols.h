#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

// Small line icons drawn in code, standing in for the desktop symbols the
// panel's design names, so no icon theme or image file is needed.
namespace Symbols {

enum class Symbol {
    Glyph,               // the application's own glyph
    ExclamationTriangle, // warning
    TextWordSpacing,     // tokens
    Message,             // messages
    Hammer,              // tool calls
    RectangleStack,      // sessions
    TextBubble,          // all-time messages
    Dot,                 // a filled circle
};

// Draws the symbol centred in the square that fits `rect`.
void paint(QPainter& painter, Symbol symbol, const QRectF& rect, const QColor& color);

} // namespace Symbols
