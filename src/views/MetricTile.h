#pragma once

#include "model/NamedColor.h"
#include "views/BoxFrame.h"
#include "views/Symbols.h"

class StyledLabel;
class SymbolView;

// One of today's figures on its own faint box: a tinted symbol, the value
// large, and a small caption.
class MetricTile : public BoxFrame
{
    Q_OBJECT

public:
    MetricTile(const QString& objectName, const QString& label, Symbols::Symbol icon, NamedColor color,
               QWidget* parent = nullptr);

    void setValue(const QString& value);

private:
    StyledLabel* m_value;
};
