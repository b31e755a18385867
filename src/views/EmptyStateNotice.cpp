#include "views/EmptyStateNotice.h"

#include "views/StyledLabel.h"
#include "views/SymbolView.h"

#include <QBoxLayout>

using namespace Qt::Literals::StringLiterals;
using PanelStyle::Level;
using PanelStyle::TextStyle;
using PanelStyle::Weight;

EmptyStateNotice::EmptyStateNotice(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(u"emptyState"_s);
    auto* warning = new SymbolView(u"icon"_s, Symbols::Symbol::ExclamationTriangle, TextStyle::LargeTitle, this);
    warning->setLevel(Level::Secondary);
    auto* title = new StyledLabel(u"title"_s, TextStyle::Headline, Weight::Regular, Level::Primary, this);
    title->setText(u"No stats found"_s);
    auto* hint = new StyledLabel(u"hint"_s, TextStyle::Caption, Weight::Regular, Level::Secondary, this);
    hint->setText(u"Make sure Claude Code is installed and has been used at least once."_s);
    hint->setWordWrap(true);
    hint->setAlignment(Qt::AlignHCenter);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(PanelStyle::noticePadding);
    column->setSpacing(PanelStyle::titleGap);
    column->addWidget(warning, 0, Qt::AlignHCenter);
    column->addWidget(title, 0, Qt::AlignHCenter);
    column->addWidget(hint);
}
