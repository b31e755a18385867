#include "common/InternetDateTime.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto moment = InternetDateTime::parse(text)) {
        // Whatever parses must be a valid moment that survives arithmetic.
        if (!moment->isValid())
            __builtin_trap();
        (void)QDateTime::currentDateTimeUtc().msecsTo(*moment);
    }
    return 0;
}
