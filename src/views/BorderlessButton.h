#pragma once

#include "views/PanelStyle.h"

#include <QAbstractButton>

// A button that is just its text: no bezel, no background. It dims while
// pressed and shows a focus underline for keyboard users.
class BorderlessButton : public QAbstractButton
{
    Q_OBJECT

public:
    BorderlessButton(const QString& objectName, const QString& text, PanelStyle::Level level,
                     QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    PanelStyle::Level m_level;
};
