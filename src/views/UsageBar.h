#pragma once

#include <QWidget>

#include <optional>

class StyledLabel;
class UsageTrack;

// One labelled usage figure: the label with an optional subtitle beneath it,
// the whole percentage on the right ("42% used"), and the bar below; where
// the share of the window gone by is known, the bar marks it and the tooltip
// says how the figure stands against that even pace.
class UsageBar : public QWidget
{
    Q_OBJECT

public:
    explicit UsageBar(const QString& objectName, QWidget* parent = nullptr);

    void setValues(const QString& label, const std::optional<QString>& subtitle, double percentage,
                   std::optional<double> elapsedShare = std::nullopt);

    UsageTrack* track() const { return m_track; }

private:
    StyledLabel* m_label;
    StyledLabel* m_subtitle;
    StyledLabel* m_percent;
    UsageTrack* m_track;
};
