#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

// The panel's small line icons (tokens, messages, tool calls, ...), drawn in
// code so that no icon theme or image file is needed and every desktop shows
// the same ones.
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
