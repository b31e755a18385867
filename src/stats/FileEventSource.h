#pragma once

#include <QObject>
#include <QString>

#include <memory>

// Reports writes, renames and deletions of one file, identified when armed
// (the file object, not the path: after a rename the old file is still the
// one watched). Lives on the thread that uses it; each platform has its own
// implementation file.
class FileEventSource : public QObject
{
    Q_OBJECT

public:
    enum Event {
        Written = 0x1,
        Renamed = 0x2,
        Deleted = 0x4,
    };

    explicit FileEventSource(QObject* parent = nullptr);
    ~FileEventSource() override;

    // Watches the file now at `path`; false (and unarmed) when it cannot.
    bool arm(const QString& path);
    // Stops watching; harmless when not armed. Events of the old file that are
    // still queued are dropped.
    void disarm();
    bool isArmed() const;

signals:
    // One signal per batch of events, as a mask of Event values.
    void events(int mask);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
