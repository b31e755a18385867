#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Read-only access to the OAuth login that Claude Code stores for itself.
// Only the access token is taken, afresh for every fetch; it is never kept,
// logged or written anywhere by this program.
namespace OAuthCredentials {

// Larger documents are refused: real ones are under 3 KiB.
inline constexpr qint64 maxDocumentSize = 1024 * 1024;

// ~/.claude/.credentials.json, where Claude Code keeps its credential
// document on systems without the macOS keychain.
QString defaultFilePath();

// The text at claudeAiOauth.accessToken, unchanged (an empty one included),
// or nothing when the document is not a JSON object, the path is missing or
// mistyped, or the document is larger than maxDocumentSize.
std::optional<QString> tokenFromCredentials(const QByteArray& document);

// The whole file, or nothing when it is missing, unreadable, not a regular
// file (a FIFO or a device would block or never end) or larger than
// maxDocumentSize.
std::optional<QByteArray> readFile(const QString& path);

// The token from the platform's own store: the login keychain on macOS, the
// default file elsewhere. May block; never call it on the main thread.
std::optional<QString> fromPlatformStore();

// The token from the document at `path`, or from the platform's store when
// the path is empty. May block; never call it on the main thread.
std::optional<QString> getOAuthToken(const QString& path);

} // namespace OAuthCredentials
