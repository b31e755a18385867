#include "views/ModelBreakdownView.h"

#include "views/StyledLabel.h"

#include <QBoxLayout>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;
using PanelStyle::Level;
using PanelStyle::TextStyle;
using PanelStyle::Weight;

ModelBreakdownView::ModelBreakdownView(QWidget* parent)
    : QWidget(parent)
    , m_list(new ModelList(this))
{
    setObjectName(u"modelBreakdown"_s);
    auto* title = new StyledLabel(u"title"_s, TextStyle::Headline, Weight::Regular, Level::Secondary, this);
    title->setText(u"Model Breakdown"_s);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(PanelStyle::titleGap);
    column->addWidget(title);
    column->addWidget(m_list);
    m_list->hide();
}

QList<ModelList::Row> ModelBreakdownView::sortedRows(const QMap<QString, ModelUsage>& modelUsage)
{
    // QMap iterates by identifier, and the sort is stable.
    QList<ModelList::Row> rows;
    rows.reserve(modelUsage.size());
    for (auto it = modelUsage.cbegin(); it != modelUsage.cend(); ++it)
        rows.append({it.key(), it.value().inTokens(), it.value().outputTokens, it.value().totalTokens()});
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.total > b.total; });
    return rows;
}

void ModelBreakdownView::setModelUsage(const QMap<QString, ModelUsage>& modelUsage)
{
    if (m_modelUsage == modelUsage)
        return;
    m_modelUsage = modelUsage;
    m_list->setRows(sortedRows(modelUsage));
    // An empty list shows the title alone.
    m_list->setVisible(!modelUsage.isEmpty());
}
