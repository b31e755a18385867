#include "usage/UsageAPIClient.h"

#include "usage/CurlMulti.h"
#include "usage/OAuthCredentials.h"
#include "usage/RetryAfter.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

using namespace Qt::Literals::StringLiterals;

namespace {

// A header value may not hold control characters: a token with a line break
// would otherwise split the request and smuggle in fields of its own.
bool isFieldValue(const QByteArray& value)
{
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && byte != '\t') || byte == 0x7f)
            return false;
    }
    return true;
}

} // namespace

// One request in flight: the easy handle and what its callbacks gather.
struct UsageAPIClient::Transfer
{
    CURL* easy = curl_easy_init();
    curl_slist* fields = nullptr;
    Completion done;
    QByteArray body;
    qint64 bodySize = 0;
    qint64 headerSize = 0;
    QByteArray retryAfter;
    bool headersDone = false; // the final answer's header section has ended
    bool tooLarge = false;    // we abandoned it: headers or body past their cap

    ~Transfer()
    {
        curl_easy_cleanup(easy);
        curl_slist_free_all(fields);
    }

    static size_t onHeader(char* data, size_t size, size_t count, void* self)
    {
        auto* t = static_cast<Transfer*>(self);
        const size_t length = size * count;
        t->headerSize += qint64(length);
        if (t->headerSize > maxHeaderSize) {
            t->tooLarge = true;
            return 0;
        }
        const QByteArrayView line(data, qsizetype(length));
        if (line.startsWith("HTTP/")) { // a new answer, interim or final: start over
            t->retryAfter.clear();
            t->headersDone = false;
        } else if (line.trimmed().isEmpty()) {
            long status = 0;
            curl_easy_getinfo(t->easy, CURLINFO_RESPONSE_CODE, &status);
            t->headersDone = status >= 200;
        } else if (line.size() > 12 && line.first(12).compare("retry-after:", Qt::CaseInsensitive) == 0) {
            t->retryAfter = line.sliced(12).trimmed().toByteArray().left(256);
        }
        return length;
    }

    static size_t onBody(char* data, size_t size, size_t count, void* self)
    {
        auto* t = static_cast<Transfer*>(self);
        const size_t length = size * count;
        t->bodySize += qint64(length);
        if (t->bodySize > maxReplySize) {
            t->tooLarge = true;
            return 0;
        }
        long status = 0;
        curl_easy_getinfo(t->easy, CURLINFO_RESPONSE_CODE, &status);
        if (status == 200) // other answers' bodies are never read
            t->body.append(data, qsizetype(length));
        return length;
    }
};

const QUrl& UsageAPIClient::usageURL()
{
    static const QUrl url(u"https://api.anthropic.com/api/oauth/usage"_s);
    return url;
}

UsageAPIClient::UsageAPIClient(QObject* parent)
    : UsageAPIClient(Options{}, parent)
{
}

UsageAPIClient::UsageAPIClient(Options options, QObject* parent)
    : QObject(parent)
    , m_options(std::move(options))
    , m_endpoint(m_options.endpoint.toEncoded())
    , m_multi(std::make_unique<CurlMulti>())
{
}

UsageAPIClient::~UsageAPIClient()
{
    for (const auto& [transfer, owned] : m_transfers)
        m_multi->remove(transfer->easy);
    m_transfers.clear();
}

void UsageAPIClient::fetchUsage(Completion done)
{
    // The lookup may block (file system, keychain prompt), so it runs in the
    // pool; its result comes back through the main event loop and is dropped
    // if this client is gone by then.
    QThreadPool::globalInstance()->start(
        [self = QPointer<UsageAPIClient>(this), path = m_options.credentialsPath, done = std::move(done)]() mutable {
            std::optional<OAuthCredentials::Credential> credential = OAuthCredentials::read(path);
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self = std::move(self), credential = std::move(credential), done = std::move(done)]() mutable {
                    if (!self)
                        return;
                    using Outcome = UsageFetch::Outcome;
                    if (!credential) // no stored login: no request at all
                        return self->complete(std::move(done), UsageFetch::failed(Outcome::NoCredential));
                    // The service refuses an expired token, often with a 429
                    // that eats the rate budget; Claude Code renews it when run.
                    if (credential->expiresAtMs
                        && *credential->expiresAtMs <= self->m_options.clock->now().toMSecsSinceEpoch())
                        return self->complete(std::move(done), UsageFetch::failed(Outcome::SignInExpired));
                    self->send(credential->accessToken, std::move(done));
                },
                Qt::QueuedConnection);
        });
}

void UsageAPIClient::send(const QString& token, Completion done)
{
    const QByteArray authorization = "Authorization: Bearer " + token.toUtf8();
    if (!isFieldValue(authorization))
        return complete(std::move(done), UsageFetch::failed(UsageFetch::Outcome::NoCredential));

    auto owned = std::make_unique<Transfer>();
    Transfer* t = owned.get();
    if (!t->easy)
        return complete(std::move(done), UsageFetch::failed(UsageFetch::Outcome::NoConnection));
    t->done = std::move(done);
    // Ours, in this order; the empty Accept drops the one curl would add.
    for (const QByteArray& field : {authorization, QByteArray("anthropic-beta: oauth-2025-04-20"),
                                    QByteArray("Content-Type: application/json"),
                                    QByteArray("User-Agent: claude-code/2.0.32"), QByteArray("Accept:")})
        t->fields = curl_slist_append(t->fields, field.constData());

    CURL* e = t->easy;
    curl_easy_setopt(e, CURLOPT_URL, m_endpoint.constData());
    curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, t->fields);
    // A followed redirect would carry the token to whatever host it names;
    // a 3xx is simply not a 200. Nothing but HTTPS, ever.
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    // The system's roots (and a test's CA besides), peer and host name checked.
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!m_options.extraCaPem.isEmpty()) {
        curl_blob ca{const_cast<char*>(m_options.extraCaPem.constData()), size_t(m_options.extraCaPem.size()),
                     CURL_BLOB_COPY};
        curl_easy_setopt(e, CURLOPT_CAINFO_BLOB, &ca);
    }
    // Straight to the service: no proxy from the environment sees the token
    // (an empty proxy also overrides *_proxy variables).
    curl_easy_setopt(e, CURLOPT_PROXY, "");
    // HTTP/2 where the server offers it; wait for a connection being set up
    // rather than open a second one beside it.
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_2TLS));
    curl_easy_setopt(e, CURLOPT_PIPEWAIT, 1L);
    // No data for idleTimeout fails the transfer, setting up the connection
    // included; a trickle ends at the deadline.
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, long(std::chrono::milliseconds(m_options.idleTimeout).count()));
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, long(m_options.idleTimeout.count()));
    curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, long(m_options.deadline.count()));
    // An announced length beyond the cap is refused before any of it comes;
    // the body callback stops the rest.
    curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(maxReplySize));
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &Transfer::onHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, t);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Transfer::onBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, t);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    // A transfer abandoned while its name is still being resolved (at its
    // deadline, or as the client goes) leaves the resolver thread to finish
    // on its own instead of waiting for it on this thread.
    curl_easy_setopt(e, CURLOPT_QUICK_EXIT, 1L);
    // No cookie engine is ever switched on (no CURLOPT_COOKIEFILE), and no
    // Accept-Encoding is sent, so nothing arrives compressed.

    m_transfers.emplace(t, std::move(owned));
    m_multi->add(e, [this, t](CURLcode result) { finish(t, result); });
}

void UsageAPIClient::finish(Transfer* t, int result)
{
    using Outcome = UsageFetch::Outcome;
    const auto found = m_transfers.find(t);
    if (found == m_transfers.end())
        return;
    std::unique_ptr<Transfer> owned = std::move(found->second);
    m_transfers.erase(found);

    long status = 0;
    curl_easy_getinfo(t->easy, CURLINFO_RESPONSE_CODE, &status);
    UsageFetch fetch = UsageFetch::failed(Outcome::NoConnection, int(status));
    if (t->headersDone && status != 200) {
        // The status says all; a body cut short changes nothing.
        fetch.outcome = status == 429 ? Outcome::RateLimited : Outcome::Refused;
        if (!t->retryAfter.isEmpty())
            fetch.retryAfter = RetryAfter::parse(t->retryAfter, m_options.clock->now());
    } else if (t->tooLarge || result == CURLE_FILESIZE_EXCEEDED) {
        fetch.outcome = Outcome::BadReply;
    } else if (result == CURLE_OK && status == 200) {
        if (std::optional<UsageResponse> reply = UsageResponse::decode(t->body))
            fetch = UsageFetch::ok(std::move(*reply));
        else
            fetch.outcome = Outcome::BadReply;
    }
    complete(std::move(t->done), std::move(fetch));
}

void UsageAPIClient::complete(Completion done, UsageFetch fetch)
{
    // Called back from the event loop, never from inside curl or the caller:
    // the callback may well destroy this client.
    QMetaObject::invokeMethod(
        this, [done = std::move(done), fetch = std::move(fetch)]() mutable { done(std::move(fetch)); },
        Qt::QueuedConnection);
}
