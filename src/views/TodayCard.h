#pragma once

#include <QWidget>

class MetricTile;

// Today's tokens, messages and tool calls as three tiles in a row.
class TodayCard : public QWidget
{
    Q_OBJECT

public:
    explicit TodayCard(QWidget* parent = nullptr);

    void setValues(qint64 tokens, qint64 messages, qint64 toolCalls);

private:
    MetricTile* m_tokens;
    MetricTile* m_messages;
    MetricTile* m_toolCalls;
};
