#include "views/MetricTile.h"

#include "views/StyledLabel.h"
#include "views/SymbolView.h"

#include <QBoxLayout>

using namespace Qt::Literals::StringLiterals;
using PanelStyle::Level;
using PanelStyle::TextStyle;
using PanelStyle::Weight;

MetricTile::MetricTile(const QString& objectName, const QString& label, Symbols::Symbol icon, NamedColor color,
                       QWidget* parent)
    : BoxFrame(parent)
    , m_value(new StyledLabel(u"value"_s, TextStyle::Title2, Weight::Semibold, Level::Primary, this))
{
    setObjectName(objectName);
    auto* symbol = new SymbolView(u"icon"_s, icon, TextStyle::Title3, this);
    symbol->setTint(color);
    auto* caption = new StyledLabel(u"caption"_s, TextStyle::Caption, Weight::Regular, Level::Secondary, this);
    caption->setText(label);
    caption->setElideMode(Qt::ElideRight);
    m_value->setShrinkToFit(true);

    // Tiles take equal shares of the row whatever their texts.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(PanelStyle::tilePadding);
    column->setSpacing(PanelStyle::tileStackSpacing);
    column->addWidget(symbol, 0, Qt::AlignHCenter);
    column->addWidget(m_value, 0, Qt::AlignHCenter);
    column->addWidget(caption, 0, Qt::AlignHCenter);
}

void MetricTile::setValue(const QString& value)
{
    m_value->setTextIfChanged(value);
}
