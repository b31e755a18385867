#pragma once

#include <QScrollArea>

class QVBoxLayout;

// A column of sections in a scroll area without a frame. It asks for the
// column's whole height, so it scrolls only when the panel is held shorter
// than its content; the scroll bar then shows in the panel's right padding
// and the column keeps its width.
class ScrollColumn : public QScrollArea
{
    Q_OBJECT

public:
    explicit ScrollColumn(QWidget* parent = nullptr);

    void addSection(QWidget* section);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QVBoxLayout* m_column;
};
