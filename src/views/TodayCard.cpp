#include "views/TodayCard.h"

#include "model/TokenFormatter.h"
#include "views/MetricTile.h"
#include "views/StyledLabel.h"

#include <QBoxLayout>

using namespace Qt::Literals::StringLiterals;
using PanelStyle::Level;
using PanelStyle::TextStyle;
using PanelStyle::Weight;
using Symbols::Symbol;

TodayCard::TodayCard(QWidget* parent)
    : QWidget(parent)
    , m_tokens(new MetricTile(u"tokens"_s, u"Tokens"_s, Symbol::TextWordSpacing, NamedColor::Purple, this))
    , m_messages(new MetricTile(u"messages"_s, u"Messages"_s, Symbol::Message, NamedColor::Blue, this))
    , m_toolCalls(new MetricTile(u"toolCalls"_s, u"Tool Calls"_s, Symbol::Hammer, NamedColor::Orange, this))
{
    setObjectName(u"todayCard"_s);
    auto* title = new StyledLabel(u"title"_s, TextStyle::Headline, Weight::Regular, Level::Secondary, this);
    title->setText(u"Today"_s);

    auto* tiles = new QHBoxLayout;
    tiles->setSpacing(PanelStyle::tileSpacing);
    for (MetricTile* tile : {m_tokens, m_messages, m_toolCalls})
        tiles->addWidget(tile, 1);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(PanelStyle::titleGap);
    column->addWidget(title);
    column->addLayout(tiles);
    setValues(0, 0, 0);
}

void TodayCard::setValues(qint64 tokens, qint64 messages, qint64 toolCalls)
{
    m_tokens->setValue(TokenFormatter::format(tokens));
    m_messages->setValue(TokenFormatter::formatCount(messages));
    m_toolCalls->setValue(TokenFormatter::formatCount(toolCalls));
}
