#include "usage/UsageAPIClient.h"

#include "usage/OAuthCredentials.h"

#include <QCoreApplication>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QThreadPool>

#include <memory>

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
{
    if (!m_options.extraCaCertificates.isEmpty()) {
        // Listing CAs switches off the on-demand system roots, so name them too.
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setCaCertificates(QSslConfiguration::systemCaCertificates() + m_options.extraCaCertificates);
        m_tls = tls;
    }
}

UsageAPIClient::~UsageAPIClient()
{
    // Aborting emits finished(); disconnect first so nobody is called back.
    const QList<QNetworkReply*> replies = m_network.findChildren<QNetworkReply*>();
    for (QNetworkReply* reply : replies) {
        reply->disconnect(this);
        reply->abort();
    }
}

void UsageAPIClient::fetchUsage(Completion done)
{
    // The lookup may block (file system, keychain prompt), so it runs in the
    // pool; its result comes back through the main event loop and is dropped
    // if this client is gone by then.
    QThreadPool::globalInstance()->start(
        [self = QPointer<UsageAPIClient>(this), path = m_options.credentialsPath, done = std::move(done)]() mutable {
            std::optional<QString> token = OAuthCredentials::getOAuthToken(path);
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self = std::move(self), token = std::move(token), done = std::move(done)]() mutable {
                    if (!self)
                        return;
                    if (!token) {
                        done(std::nullopt); // no stored login: no request at all
                        return;
                    }
                    self->send(*token, std::move(done));
                },
                Qt::QueuedConnection);
        });
}

void UsageAPIClient::send(const QString& token, Completion done)
{
    const QByteArray authorization = "Bearer " + token.toUtf8();
    if (!isFieldValue(authorization)) {
        done(std::nullopt);
        return;
    }

    QNetworkRequest request(m_options.endpoint);
    request.setRawHeader("Authorization", authorization);
    request.setRawHeader("anthropic-beta", "oauth-2025-04-20");
    request.setRawHeader("Content-Type", "application/json");
    request.setRawHeader("User-Agent", "claude-code/2.0.32");
    request.setTransferTimeout(int(m_options.transferTimeout.count()));
    // A followed redirect would carry the token to whatever host it names;
    // a 3xx is simply not a 200.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    // The manager has no cache; should one ever be installed, replies still
    // stay out of it. Cookies are neither sent nor kept.
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    if (m_tls)
        request.setSslConfiguration(*m_tls);

    QNetworkReply* reply = m_network.get(request);
    ++m_inFlight;
    connect(reply, &QNetworkReply::encrypted, this, [this] { ++m_newConnections; });
    // Flow control: the network thread stops reading once this much waits
    // unread, so a hostile body never piles up faster than it is checked.
    reply->setReadBufferSize(64 * 1024);

    // The body is taken as it arrives and the transfer abandoned as soon as
    // it is announced or found to be larger than maxReplySize.
    auto body = std::make_shared<QByteArray>();
    connect(reply, &QNetworkReply::metaDataChanged, this, [reply] {
        bool known = false;
        const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        if (known && announced > maxReplySize)
            reply->abort();
    });
    connect(reply, &QNetworkReply::readyRead, this, [reply, body] {
        // Read what is there, not the most we would accept: a read allocates its size.
        body->append(reply->read(qMin(reply->bytesAvailable(), maxReplySize + 1 - body->size())));
        if (body->size() > maxReplySize)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, body, done = std::move(done)]() mutable {
        finish(reply, *body, std::move(done));
    });
}

void UsageAPIClient::finish(QNetworkReply* reply, const QByteArray& body, Completion done)
{
    reply->deleteLater();
    if (--m_inFlight == 0 && m_newConnections >= connectionsBeforeReset) {
        m_network.clearConnectionCache();
        m_newConnections = 0;
    }
    std::optional<UsageResponse> result;
    // A 404 or an aborted transfer may still show a readable body or even
    // status 200: both the status and the error decide.
    const bool accepted = reply->error() == QNetworkReply::NoError
        && reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200;
    if (accepted) {
        const QByteArray rest = reply->read(qMin(reply->bytesAvailable(), maxReplySize + 1 - body.size()));
        const QByteArray whole = body + rest;
        if (whole.size() <= maxReplySize && reply->bytesAvailable() == 0)
            result = UsageResponse::decode(whole);
    }
    // Called back from the event loop, never from inside the reply's own
    // signal: the callback may well destroy this client and its manager.
    QMetaObject::invokeMethod(
        this, [done = std::move(done), result = std::move(result)]() mutable { done(std::move(result)); },
        Qt::QueuedConnection);
}
