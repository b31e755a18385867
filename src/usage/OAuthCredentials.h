#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Read-only access to the OAuth login that Claude Code stores for itself.
// Only the access token and its expiry are taken, afresh for every fetch;
// the token is never kept, logged, renewed or written anywhere by this program.
namespace OAuthCredentials {

// Larger documents are refused: real ones are under 3 KiB.
inline constexpr qint64 maxDocumentSize = 1024 * 1024;

struct Credential
{
    QString accessToken;
    // claudeAiOauth.expiresAt, milliseconds since the epoch, when it is a
    // JSON number. Claude Code renews the token itself when it next runs.
    std::optional<qint64> expiresAtMs;

    bool operator==(const Credential&) const = default;
};

// .credentials.json in Claude Code's folder ($CLAUDE_CONFIG_DIR or
// ~/.claude), where it keeps its credential document on systems without the
// macOS keychain.
QString defaultFilePath();

// The text at claudeAiOauth.accessToken, unchanged (an empty one included),
// with its expiry; nothing when the document is not a JSON object, the path
// is missing or mistyped, or the document is larger than maxDocumentSize.
std::optional<Credential> fromDocument(const QByteArray& document);

// The whole file, or nothing when it is missing, unreadable, not a regular
// file (a FIFO or a device would block or never end) or larger than
// maxDocumentSize.
std::optional<QByteArray> readFile(const QString& path);

// The credential from the platform's own store: the login keychain on macOS,
// the default file elsewhere. May block; never call it on the main thread.
std::optional<Credential> fromPlatformStore();

// The credential from the document at `path`, or from the platform's store
// when the path is empty. May block; never call it on the main thread.
std::optional<Credential> read(const QString& path);

} // namespace OAuthCredentials
