#pragma once

#include <QWidget>

// The 6-point bar of a usage figure: a faint track across the full width and
// a coloured fill from the left edge, as wide as the percentage says.
class UsageTrack : public QWidget
{
    Q_OBJECT

public:
    explicit UsageTrack(QWidget* parent = nullptr);

    void setPercentage(double percentage);

    // percentage × track ÷ 100, never below zero and without an upper limit
    // (a figure above 100 runs past the track); 0 for a value that is not a
    // number.
    static double fillWidth(double percentage, double trackWidth);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_percentage = 0;
};
