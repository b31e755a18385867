#pragma once

#include <QWidget>

// Shown instead of the statistics when there are neither statistics nor
// usage figures: a warning sign and a hint.
class EmptyStateNotice : public QWidget
{
    Q_OBJECT

public:
    explicit EmptyStateNotice(QWidget* parent = nullptr);
};
