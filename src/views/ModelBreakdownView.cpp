#include "views/ModelBreakdownView.h"

#include "views/BoxFrame.h"
#include "views/ModelRow.h"
#include "views/StyledLabel.h"

#include <QBoxLayout>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;
using PanelStyle::Level;
using PanelStyle::TextStyle;
using PanelStyle::Weight;

ModelBreakdownView::ModelBreakdownView(QWidget* parent)
    : QWidget(parent)
    , m_box(new BoxFrame(this))
{
    setObjectName(u"modelBreakdown"_s);
    auto* title = new StyledLabel(u"title"_s, TextStyle::Headline, Weight::Regular, Level::Secondary, this);
    title->setText(u"Model Breakdown"_s);

    m_box->setObjectName(u"list"_s);
    auto* rows = new QVBoxLayout(m_box);
    rows->setContentsMargins(PanelStyle::listPadding);
    rows->setSpacing(PanelStyle::modelRowSpacing);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(PanelStyle::titleGap);
    column->addWidget(title);
    column->addWidget(m_box);
}

QList<QString> ModelBreakdownView::sortedModels(const QMap<QString, ModelUsage>& modelUsage)
{
    // QMap iterates by identifier, and the sort is stable.
    QList<std::pair<QString, qint64>> items;
    items.reserve(modelUsage.size());
    for (auto it = modelUsage.cbegin(); it != modelUsage.cend(); ++it)
        items.append({it.key(), it.value().totalTokens()});
    std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    QList<QString> ids;
    ids.reserve(items.size());
    for (const auto& item : items)
        ids.append(item.first);
    return ids;
}

void ModelBreakdownView::setModelUsage(const QMap<QString, ModelUsage>& modelUsage)
{
    const QList<QString> ids = sortedModels(modelUsage);
    auto* rows = static_cast<QVBoxLayout*>(m_box->layout());
    while (m_rows.size() < ids.size()) {
        auto* row = new ModelRow(m_box);
        rows->addWidget(row);
        m_rows.append(row);
    }
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        if (i < ids.size()) {
            m_rows[i]->setModel(ids[i], modelUsage.value(ids[i]));
            m_rows[i]->show();
        } else {
            m_rows[i]->hide();
        }
    }
    // An empty list shows the title alone.
    m_box->setVisible(!ids.isEmpty());
}
