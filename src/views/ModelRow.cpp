#include "views/ModelRow.h"

#include "model/ModelNameMapper.h"
#include "model/TokenFormatter.h"
#include "views/StyledLabel.h"
#include "views/SymbolView.h"

#include <QBoxLayout>

using namespace Qt::Literals::StringLiterals;
using PanelStyle::Level;
using PanelStyle::TextStyle;
using PanelStyle::Weight;

ModelRow::ModelRow(QWidget* parent)
    : QWidget(parent)
    , m_dot(new SymbolView(u"dot"_s, Symbols::Symbol::Dot, TextStyle::Callout, this))
    , m_name(new StyledLabel(u"name"_s, TextStyle::Callout, Weight::Medium, Level::Primary, this))
    , m_in(new StyledLabel(u"in"_s, TextStyle::Caption, Weight::Regular, Level::Secondary, this))
    , m_out(new StyledLabel(u"out"_s, TextStyle::Caption, Weight::Regular, Level::Secondary, this))
    , m_total(new StyledLabel(u"total"_s, TextStyle::Callout, Weight::Semibold, Level::Primary, this))
{
    setObjectName(u"modelRow"_s);
    m_dot->setSide(PanelStyle::modelDotSide);
    m_total->setFixedWidth(totalColumnWidth);
    m_total->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_in->setAlignment(Qt::AlignRight);
    m_out->setAlignment(Qt::AlignRight);
    // A long name gives way before the figures do.
    m_name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto* split = new QVBoxLayout;
    split->setSpacing(PanelStyle::lineGap);
    split->addWidget(m_in, 0, Qt::AlignRight);
    split->addWidget(m_out, 0, Qt::AlignRight);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(PanelStyle::boxPadding);
    row->setSpacing(PanelStyle::defaultSpacing);
    row->addWidget(m_dot);
    row->addWidget(m_name, 1);
    row->addLayout(split);
    row->addWidget(m_total);
}

void ModelRow::setModel(const QString& id, const ModelUsage& usage)
{
    const ModelNameMapper::ModelInfo info = ModelNameMapper::info(id);
    m_dot->setTint(info.color);
    m_name->setTextIfChanged(info.name);
    m_name->setToolTip(id);
    m_in->setTextIfChanged(TokenFormatter::format(usage.inTokens()) + u" in"_s);
    m_out->setTextIfChanged(TokenFormatter::format(usage.outputTokens) + u" out"_s);
    m_total->setTextIfChanged(TokenFormatter::format(usage.totalTokens()));
}
