#include "usage/OAuthCredentials.h"

// Without the macOS keychain Claude Code keeps the document in a plain file.
std::optional<QString> OAuthCredentials::fromPlatformStore()
{
    return getOAuthToken(defaultFilePath());
}
