#pragma once

#include <QDateTime>

#include <memory>

// Where "now" comes from. Everything that stamps or compares times asks a
// Clock, so tests can pin the moment exactly.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;

    // The system's wall clock, shared by everything in the process.
    static std::shared_ptr<const Clock> system();
};
