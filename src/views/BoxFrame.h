#pragma once

#include <QWidget>

// A container drawn on the panel's faint rounded box. Its layout's margins
// are the padding between box and content.
class BoxFrame : public QWidget
{
    Q_OBJECT

public:
    explicit BoxFrame(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
