#pragma once

#include "usage/UsageSource.h"

#include <QString>

// A usage source that answers every fetch with the reply stored in a file,
// decoded exactly as a reply from the service would be. No network.
class FileUsageSource final : public UsageSource
{
public:
    explicit FileUsageSource(QString path);

    void fetchUsage(Completion done) override;

private:
    QString m_path;
};
