#pragma once

#include <QtGlobal>

#include <limits>

// Adds 64-bit counts without overflow: the exact sum, clamped to the 64-bit
// range at the end. A hostile statistics file may hold counts near the
// limits; its totals then read as the largest (or smallest) figure instead
// of wrapping round.
class SaturatingSum
{
public:
    SaturatingSum& add(qint64 value)
    {
        m_total += value; // 128 bits: no count of addends we could hold overflows it
        return *this;
    }

    qint64 value() const
    {
        if (m_total > std::numeric_limits<qint64>::max())
            return std::numeric_limits<qint64>::max();
        if (m_total < std::numeric_limits<qint64>::min())
            return std::numeric_limits<qint64>::min();
        return static_cast<qint64>(m_total);
    }

private:
    __int128 m_total = 0;
};
