#pragma once

#include "stats/StatsCache.h"

#include <QList>
#include <QMap>
#include <QWidget>

class BoxFrame;
class ModelRow;

// "Model Breakdown": one row per model, heaviest total first.
class ModelBreakdownView : public QWidget
{
    Q_OBJECT

public:
    explicit ModelBreakdownView(QWidget* parent = nullptr);

    void setModelUsage(const QMap<QString, ModelUsage>& modelUsage);

    // Identifiers by total, largest first; equal totals by identifier.
    static QList<QString> sortedModels(const QMap<QString, ModelUsage>& modelUsage);

private:
    BoxFrame* m_box;
    // Rows are kept and reused; only as many as there are models are shown.
    QList<ModelRow*> m_rows;
};
