#pragma once

#include <QWidget>

#include <optional>

class StyledLabel;
class UsageTrack;

// One labelled usage figure: the label with an optional subtitle beneath it,
// the whole percentage on the right ("42% used"), and the bar below.
class UsageBar : public QWidget
{
    Q_OBJECT

public:
    explicit UsageBar(const QString& objectName, QWidget* parent = nullptr);

    void setValues(const QString& label, const std::optional<QString>& subtitle, double percentage);

    UsageTrack* track() const { return m_track; }

private:
    StyledLabel* m_label;
    StyledLabel* m_subtitle;
    StyledLabel* m_percent;
    UsageTrack* m_track;
};
