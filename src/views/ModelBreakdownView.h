#pragma once

#include "stats/StatsCache.h"
#include "views/ModelList.h"

#include <QList>
#include <QMap>
#include <QWidget>

#include <optional>

// "Model Breakdown": one row per model, heaviest total first.
class ModelBreakdownView : public QWidget
{
    Q_OBJECT

public:
    explicit ModelBreakdownView(QWidget* parent = nullptr);

    void setModelUsage(const QMap<QString, ModelUsage>& modelUsage);

    // Rows by total, largest first; equal totals by identifier.
    static QList<ModelList::Row> sortedRows(const QMap<QString, ModelUsage>& modelUsage);

private:
    ModelList* m_list;
    // What the rows were made from: an unchanged file costs no new sort.
    std::optional<QMap<QString, ModelUsage>> m_modelUsage;
};
