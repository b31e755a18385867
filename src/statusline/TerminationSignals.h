#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

// Turns SIGTERM and SIGINT into a Qt signal on the thread that made this
// object, through a pipe the handler writes to. While it exists, blocking
// calls are interrupted by them (no SA_RESTART), so a stuck write cannot
// hold back the end. One at a time.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    // Puts the default dispositions back.
    ~TerminationSignals() override;

signals:
    void received();

private:
    int m_pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
};
