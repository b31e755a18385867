#include "app/dbus/XdgActivationToken.h"

#include <QtGlobal>

#include <algorithm>

namespace XdgActivationToken {

namespace {
// Real tokens are a few dozen characters; anything near this is not one.
constexpr qsizetype maxLength = 1024;
} // namespace

bool store(const QString& token)
{
    if (token.isEmpty() || token.size() > maxLength)
        return false;
    const bool printable = std::all_of(token.cbegin(), token.cend(), [](QChar c) {
        return c.unicode() > 0x20 && c.unicode() < 0x7f;
    });
    if (!printable)
        return false;
    return qputenv("XDG_ACTIVATION_TOKEN", token.toLatin1());
}

} // namespace XdgActivationToken
