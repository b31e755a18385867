#include "usage/OAuthCredentials.h"

// Without the macOS keychain Claude Code keeps the document in a plain file.
std::optional<OAuthCredentials::Credential> OAuthCredentials::fromPlatformStore()
{
    return read(defaultFilePath());
}
