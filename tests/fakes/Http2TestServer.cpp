#include "Http2TestServer.h"

#include "TestCertificates.h"

#include <QPointer>
#include <QSslSocket>
#include <QTimer>

#include <nghttp2/nghttp2.h>

#include <cstring>
#include <map>

// One connection's nghttp2 session and the streams it serves.
struct Http2TestServer::Session
{
    struct Stream
    {
        Request request;
        QByteArray body;
        qsizetype sent = 0;
    };

    Http2TestServer* server = nullptr;
    QSslSocket* socket = nullptr;
    nghttp2_session* h2 = nullptr;
    int connection = 0;
    std::map<int32_t, Stream> streams;

    ~Session() { nghttp2_session_del(h2); }

    // Writes out whatever the session has queued.
    void flush()
    {
        for (;;) {
            const uint8_t* data = nullptr;
            const ssize_t length = nghttp2_session_mem_send(h2, &data);
            if (length <= 0)
                break;
            socket->write(reinterpret_cast<const char*>(data), length);
        }
    }

    void reply(int32_t id, const Reply& r)
    {
        switch (r.kind) {
        case Reply::Kind::Silence:
            return;
        case Reply::Kind::ResetStream:
            nghttp2_submit_rst_stream(h2, NGHTTP2_FLAG_NONE, id, NGHTTP2_INTERNAL_ERROR);
            break;
        case Reply::Kind::GoAway:
            nghttp2_submit_goaway(h2, NGHTTP2_FLAG_NONE, std::max(0, id - 2), NGHTTP2_INTERNAL_ERROR, nullptr, 0);
            break;
        case Reply::Kind::HeaderFlood: {
            // nghttp2 copies the fields while submitting; they live until then.
            QList<Field> fields = {{":status", "200"}};
            for (int i = 0; i < 20000; ++i)
                fields.append({"x-filler-" + QByteArray::number(i), QByteArray(100, 'a')});
            std::vector<nghttp2_nv> nv;
            for (const Field& f : fields)
                nv.push_back(field(f.first, f.second));
            nghttp2_submit_response(h2, id, nv.data(), nv.size(), nullptr);
            break;
        }
        case Reply::Kind::Answer: {
            const QList<Field> fields = QList<Field>{{":status", QByteArray::number(r.status)},
                                                     {"content-length", QByteArray::number(r.body.size())}}
                + r.fields;
            std::vector<nghttp2_nv> nv;
            for (const Field& f : fields)
                nv.push_back(field(f.first, f.second));
            streams[id].body = r.body;
            nghttp2_data_provider provider{};
            provider.source.ptr = this;
            provider.read_callback = &Session::readBody;
            nghttp2_submit_response(h2, id, nv.data(), nv.size(), &provider);
            break;
        }
        }
        flush();
    }

    static nghttp2_nv field(const QByteArray& name, const QByteArray& value)
    {
        return {reinterpret_cast<uint8_t*>(const_cast<char*>(name.constData())),
                reinterpret_cast<uint8_t*>(const_cast<char*>(value.constData())), size_t(name.size()),
                size_t(value.size()), NGHTTP2_NV_FLAG_NONE};
    }

    static ssize_t readBody(nghttp2_session*, int32_t id, uint8_t* buffer, size_t length, uint32_t* flags,
                            nghttp2_data_source* source, void*)
    {
        auto* self = static_cast<Session*>(source->ptr);
        Stream& stream = self->streams[id];
        const size_t n = std::min(length, size_t(stream.body.size() - stream.sent));
        std::memcpy(buffer, stream.body.constData() + stream.sent, n);
        stream.sent += qsizetype(n);
        if (stream.sent == stream.body.size())
            *flags |= NGHTTP2_DATA_FLAG_EOF;
        return ssize_t(n);
    }

    static int onBeginHeaders(nghttp2_session*, const nghttp2_frame* frame, void* self)
    {
        auto* s = static_cast<Session*>(self);
        if (frame->hd.type == NGHTTP2_HEADERS && frame->headers.cat == NGHTTP2_HCAT_REQUEST)
            s->streams[frame->hd.stream_id].request.connection = s->connection;
        return 0;
    }

    static int onHeader(nghttp2_session*, const nghttp2_frame* frame, const uint8_t* name, size_t nameLength,
                        const uint8_t* value, size_t valueLength, uint8_t, void* self)
    {
        auto* s = static_cast<Session*>(self);
        s->streams[frame->hd.stream_id].request.fields.append(
            {QByteArray(reinterpret_cast<const char*>(name), qsizetype(nameLength)),
             QByteArray(reinterpret_cast<const char*>(value), qsizetype(valueLength))});
        return 0;
    }

    static int onFrame(nghttp2_session*, const nghttp2_frame* frame, void* self)
    {
        auto* s = static_cast<Session*>(self);
        if (frame->hd.type != NGHTTP2_HEADERS || !(frame->hd.flags & NGHTTP2_FLAG_END_STREAM))
            return 0;
        const int32_t id = frame->hd.stream_id;
        Http2TestServer* server = s->server;
        server->m_requests.append(s->streams[id].request);
        const Reply r = server->m_handler(server->m_requests.last(), int(server->m_requests.size() - 1));
        // Answered from the event loop: never from inside the session's own call.
        QTimer::singleShot(r.delay, s->socket, [socket = QPointer<QSslSocket>(s->socket), server, id, r] {
            if (Session* session = server->m_sessions.value(socket))
                session->reply(id, r);
        });
        return 0;
    }

    static int onClose(nghttp2_session*, int32_t id, uint32_t, void* self)
    {
        static_cast<Session*>(self)->streams.erase(id);
        return 0;
    }
};

Http2TestServer::Http2TestServer(const TestCertificates& certificates, QObject* parent)
    : QObject(parent)
    , m_handler([](const Request&, int) { return Reply{}; })
{
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(certificates.leaf());
    tls.setPrivateKey(certificates.leafKey());
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    tls.setAllowedNextProtocols({QSslConfiguration::ALPNProtocolHTTP2});
    m_server.setSslConfiguration(tls);
    connect(&m_server, &QSslServer::startedEncryptionHandshake, this, [this](QSslSocket* socket) {
        socket->setProperty("connection", ++m_connections);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(socket, &QSslSocket::encrypted, this, [this, socket] { start(socket); });
        connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this, socket] { delete m_sessions.take(socket); });
    });
    connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (m_server.hasPendingConnections())
            m_server.nextPendingConnection();
    });
}

Http2TestServer::~Http2TestServer()
{
    qDeleteAll(m_sessions);
    m_sessions.clear();
}

QUrl Http2TestServer::url() const
{
    return QUrl(QStringLiteral("https://127.0.0.1:%1/api/oauth/usage").arg(m_server.serverPort()));
}

void Http2TestServer::goAwayAll()
{
    for (Session* session : std::as_const(m_sessions)) {
        nghttp2_submit_goaway(session->h2, NGHTTP2_FLAG_NONE, nghttp2_session_get_last_proc_stream_id(session->h2),
                              NGHTTP2_NO_ERROR, nullptr, 0);
        session->flush();
    }
}

void Http2TestServer::start(QSslSocket* socket)
{
    m_negotiated.append(socket->sslConfiguration().nextNegotiatedProtocol());
    auto* session = new Session;
    session->server = this;
    session->socket = socket;
    session->connection = socket->property("connection").toInt();
    nghttp2_session_callbacks* callbacks = nullptr;
    nghttp2_session_callbacks_new(&callbacks);
    nghttp2_session_callbacks_set_on_begin_headers_callback(callbacks, &Session::onBeginHeaders);
    nghttp2_session_callbacks_set_on_header_callback(callbacks, &Session::onHeader);
    nghttp2_session_callbacks_set_on_frame_recv_callback(callbacks, &Session::onFrame);
    nghttp2_session_callbacks_set_on_stream_close_callback(callbacks, &Session::onClose);
    // Room for the header flood: nghttp2 refuses to send blocks over 64 KiB by default.
    nghttp2_option* options = nullptr;
    nghttp2_option_new(&options);
    nghttp2_option_set_max_send_header_block_length(options, size_t(64) << 20);
    nghttp2_session_server_new2(&session->h2, callbacks, session, options);
    nghttp2_option_del(options);
    nghttp2_session_callbacks_del(callbacks);
    m_sessions.insert(socket, session);

    nghttp2_submit_settings(session->h2, NGHTTP2_FLAG_NONE, nullptr, 0);
    session->flush();
    connect(socket, &QSslSocket::readyRead, this, [this, socket] {
        Session* s = m_sessions.value(socket);
        if (!s)
            return;
        const QByteArray data = socket->readAll();
        if (nghttp2_session_mem_recv(s->h2, reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size())) < 0) {
            socket->disconnectFromHost();
            return;
        }
        s->flush();
    });
    if (socket->bytesAvailable())
        QMetaObject::invokeMethod(socket, "readyRead", Qt::QueuedConnection);
}
