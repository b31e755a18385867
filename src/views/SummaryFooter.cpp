#include "views/SummaryFooter.h"

#include "model/TokenFormatter.h"
#include "views/StyledLabel.h"
#include "views/SymbolView.h"

#include <QBoxLayout>

using namespace Qt::Literals::StringLiterals;
using PanelStyle::Level;
using PanelStyle::TextStyle;
using PanelStyle::Weight;

SummaryFooter::SummaryFooter(QWidget* parent)
    : QWidget(parent)
    , m_sessions(new StyledLabel(u"sessions"_s, TextStyle::Caption, Weight::Regular, Level::Secondary, this))
    , m_messages(new StyledLabel(u"messages"_s, TextStyle::Caption, Weight::Regular, Level::Secondary, this))
    , m_since(new StyledLabel(u"since"_s, TextStyle::Caption2, Weight::Regular, Level::Tertiary, this))
{
    setObjectName(u"summaryFooter"_s);
    // Each figure keeps its word: "92233…807 sessions".
    m_sessions->setElideMode(Qt::ElideMiddle);
    m_messages->setElideMode(Qt::ElideMiddle);
    m_since->setElideMode(Qt::ElideRight);
    auto* sessionsIcon = new SymbolView(u"sessionsIcon"_s, Symbols::Symbol::RectangleStack, TextStyle::Caption, this);
    sessionsIcon->setLevel(Level::Secondary);
    auto* messagesIcon = new SymbolView(u"messagesIcon"_s, Symbols::Symbol::TextBubble, TextStyle::Caption, this);
    messagesIcon->setLevel(Level::Secondary);

    auto* totals = new QHBoxLayout;
    totals->setSpacing(PanelStyle::footerIconGap);
    totals->addWidget(sessionsIcon);
    totals->addWidget(m_sessions);
    totals->addStretch(1);
    totals->addWidget(messagesIcon);
    totals->addWidget(m_messages);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(PanelStyle::footerPadding);
    column->setSpacing(PanelStyle::footerSpacing);
    column->addLayout(totals);
    column->addWidget(m_since, 0, Qt::AlignHCenter);
}

void SummaryFooter::setValues(qint64 totalSessions, qint64 totalMessages, const std::optional<QString>& memberSince)
{
    // Sessions in plain digits, never shortened or grouped; the plural
    // follows every count.
    m_sessions->setTextIfChanged(QString::number(totalSessions) + u" sessions"_s);
    m_messages->setTextIfChanged(TokenFormatter::formatCount(totalMessages) + u" messages"_s);
    m_since->setTextIfChanged(memberSince ? u"Using Claude Code since "_s + *memberSince : QString());
    m_since->setVisible(memberSince.has_value());
}
