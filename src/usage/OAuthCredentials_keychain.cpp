#include "usage/OAuthCredentials.h"

#include <CoreFoundation/CoreFoundation.h>
#include <Security/Security.h>

// Claude Code keeps the document as a generic password in the login keychain.
// Any item with this service name matches; the keychain hands back one.
std::optional<OAuthCredentials::Credential> OAuthCredentials::fromPlatformStore()
{
    const void* keys[] = {kSecClass, kSecAttrService, kSecReturnData, kSecMatchLimit};
    const void* values[] = {kSecClassGenericPassword, CFSTR("Claude Code-credentials"), kCFBooleanTrue,
                            kSecMatchLimitOne};
    const CFDictionaryRef query = CFDictionaryCreate(kCFAllocatorDefault, keys, values, 4,
                                                     &kCFTypeDictionaryKeyCallBacks,
                                                     &kCFTypeDictionaryValueCallBacks);
    if (!query)
        return std::nullopt;
    CFTypeRef result = nullptr;
    const OSStatus status = SecItemCopyMatching(query, &result);
    CFRelease(query);

    std::optional<Credential> credential;
    if (status == errSecSuccess && result && CFGetTypeID(result) == CFDataGetTypeID()) {
        const auto data = static_cast<CFDataRef>(result);
        const CFIndex length = CFDataGetLength(data);
        // fromDocument refuses oversized documents; check before
        // the length is narrowed.
        if (length <= maxDocumentSize) {
            const QByteArray document = QByteArray::fromRawData(
                reinterpret_cast<const char*>(CFDataGetBytePtr(data)), qsizetype(length));
            credential = fromDocument(document);
        }
    }
    if (result)
        CFRelease(result);
    return credential;
}
