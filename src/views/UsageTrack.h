#pragma once

#include <QWidget>

#include <optional>

// The 6-point bar of a usage figure: a faint track across the full width and
// a coloured fill from the left edge, as wide as the percentage says; and,
// where the window's course is known, a thin tick at the share of the window
// gone by, to show the fill's pace against it.
class UsageTrack : public QWidget
{
    Q_OBJECT

public:
    explicit UsageTrack(QWidget* parent = nullptr);

    void setPercentage(double percentage);
    // 0 to 1; absent: no tick.
    void setPace(std::optional<double> elapsedShare);

    // percentage × track ÷ 100, never below zero and without an upper limit
    // (a figure above 100 runs past the track); 0 for a value that is not a
    // number.
    static double fillWidth(double percentage, double trackWidth);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_percentage = 0;
    std::optional<double> m_pace;
};
