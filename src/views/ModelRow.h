#pragma once

#include "stats/StatsCache.h"

#include <QWidget>

class StyledLabel;
class SymbolView;

// One model in the breakdown: colour dot, name, tokens in and out stacked
// on the right, and the total in a fixed-width column so totals line up.
class ModelRow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int totalColumnWidth = 55;

    explicit ModelRow(QWidget* parent = nullptr);

    void setModel(const QString& id, const ModelUsage& usage);

private:
    SymbolView* m_dot;
    StyledLabel* m_name;
    StyledLabel* m_in;
    StyledLabel* m_out;
    StyledLabel* m_total;
};
