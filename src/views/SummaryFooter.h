#pragma once

#include <QString>
#include <QWidget>

#include <optional>

class StyledLabel;

// All-time sessions and messages on one line, and since when Claude Code has
// been in use when that is known.
class SummaryFooter : public QWidget
{
    Q_OBJECT

public:
    explicit SummaryFooter(QWidget* parent = nullptr);

    void setValues(qint64 totalSessions, qint64 totalMessages, const std::optional<QString>& memberSince);

private:
    StyledLabel* m_sessions;
    StyledLabel* m_messages;
    StyledLabel* m_since;
};
