#pragma once

#include "views/PanelStyle.h"

#include <QFont>
#include <QList>
#include <QRect>
#include <QString>
#include <QWidget>

// The model breakdown's rows on their faint box, painted rather than built
// from widgets: a colour dot, the name, tokens in and out stacked, and the
// total. Only the rows in view are drawn, so a file with thousands of models
// costs what a screenful of them does.
class ModelList : public QWidget
{
    Q_OBJECT

public:
    struct Row
    {
        QString id;
        qint64 in = 0;
        qint64 out = 0;
        qint64 total = 0;
        bool operator==(const Row&) const = default;
    };

    // A text as it is drawn: already elided where it had to be.
    struct Cell
    {
        QString text;
        QFont font;
        QRect rect;
        Qt::Alignment alignment;
        PanelStyle::Level level;
    };

    explicit ModelList(QWidget* parent = nullptr);

    // Rows in the order shown.
    void setRows(QList<Row> rows);
    qsizetype count() const { return m_rows.size(); }
    // How many rows fit in the tallest widget Qt allows (all but in absurd files).
    qsizetype shownCount() const;

    // Name, in, out and total of row `index`, in this widget's coordinates.
    QList<Cell> cells(qsizetype index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Row height and column widths for the current fonts and rows.
    void measure();
    int rowTop(qsizetype index) const;

    QList<Row> m_rows;
    QFont m_nameFont;
    QFont m_splitFont;
    QFont m_totalFont;
    int m_rowHeight = 0;
    int m_lineHeight = 0;
    int m_splitWidth = 0;
    int m_totalWidth = 0;
};
