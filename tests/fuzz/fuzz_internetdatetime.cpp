#include "common/InternetDateTime.h"

// Whatever parses is a valid moment that survives arithmetic.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto moment = InternetDateTime::parse(QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (moment && !moment->isValid())
        __builtin_trap();
    (void)QDateTime::currentDateTimeUtc().msecsTo(moment.value_or(QDateTime::currentDateTimeUtc()));
    return 0;
}
