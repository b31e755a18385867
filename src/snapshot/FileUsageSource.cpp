#include "snapshot/FileUsageSource.h"

#include <QFile>
#include <QTimer>

FileUsageSource::FileUsageSource(QString path)
    : m_path(std::move(path))
{
}

void FileUsageSource::fetchUsage(Completion done)
{
    std::optional<UsageResponse> reply;
    QFile file(m_path);
    // A reply file is small; refuse anything absurd rather than read it.
    if (file.open(QIODevice::ReadOnly) && file.size() <= 1024 * 1024)
        reply = UsageResponse::decode(file.readAll());
    const UsageFetch fetch =
        reply ? UsageFetch::ok(std::move(*reply)) : UsageFetch::failed(UsageFetch::Outcome::BadReply);
    // Completions arrive later, as a real fetch's would.
    QTimer::singleShot(0, [done = std::move(done), fetch] { done(fetch); });
}
