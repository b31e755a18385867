#pragma once

#include <QString>

// Wayland's focus-stealing prevention: a host (or a second launch) hands
// over a token with the click, and the next window activation must present
// it. Qt's Wayland plugin reads it from XDG_ACTIVATION_TOKEN, as Qt's own
// tray icon leaves it there.
namespace XdgActivationToken {

// Stores a token for the next activation. Empty, overlong or non-printable
// tokens are refused (false) and leave any earlier one in place.
bool store(const QString& token);

} // namespace XdgActivationToken
