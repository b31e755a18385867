#pragma once

#include "LocalHttpsServer.h"

#include <nghttp2/nghttp2.h>

#include <cstring>
#include <map>

// The same server speaking HTTP/2 through nghttp2's server session, offered
// alone through ALPN. A request is its header block as "name: value" lines,
// pseudo-headers first; an answer's header lines follow its status, names
// lower-cased.
class Http2TestServer : public LocalHttpsServer
{
public:
    explicit Http2TestServer(const TestCertificates& certificates)
        : LocalHttpsServer(certificates, {QSslConfiguration::ALPNProtocolHTTP2})
    {
    }

private:
    // One connection's session, owned by its socket.
    struct Session : QObject
    {
        Http2TestServer* server;
        QSslSocket* socket;
        nghttp2_session* h2 = nullptr;
        std::map<int32_t, Request> heads;
        std::map<int32_t, QByteArray> bodies; // what is left to send

        Session(Http2TestServer* server, QSslSocket* socket) : QObject(socket), server(server), socket(socket)
        {
            nghttp2_session_callbacks* callbacks = nullptr;
            nghttp2_session_callbacks_new(&callbacks);
            nghttp2_session_callbacks_set_on_header_callback(callbacks, &Session::onHeader);
            nghttp2_session_callbacks_set_on_frame_recv_callback(callbacks, &Session::onFrame);
            nghttp2_session_server_new(&h2, callbacks, this);
            nghttp2_session_callbacks_del(callbacks);
            nghttp2_submit_settings(h2, NGHTTP2_FLAG_NONE, nullptr, 0);
        }
        ~Session() override { nghttp2_session_del(h2); }

        static int onHeader(nghttp2_session*, const nghttp2_frame* frame, const uint8_t* name, size_t nameLength,
                            const uint8_t* value, size_t valueLength, uint8_t, void* self)
        {
            const auto text = [](const uint8_t* p, size_t n) { return QByteArray((const char*)p, qsizetype(n)); };
            static_cast<Session*>(self)->heads[frame->hd.stream_id]
                << text(name, nameLength) + ": " + text(value, valueLength);
            return 0;
        }

        // Answered from the event loop, never from inside the session's own call.
        static int onFrame(nghttp2_session*, const nghttp2_frame* frame, void* self)
        {
            auto* s = static_cast<Session*>(self);
            const int32_t id = frame->hd.stream_id;
            if (frame->hd.type == NGHTTP2_HEADERS && (frame->hd.flags & NGHTTP2_FLAG_END_STREAM))
                QTimer::singleShot(0, s, [s, id, reply = s->server->take(s->heads[id])] { s->answer(id, reply); });
            return 0;
        }

        static ssize_t readBody(nghttp2_session*, int32_t id, uint8_t* buffer, size_t length, uint32_t* flags,
                                nghttp2_data_source* source, void*)
        {
            QByteArray& left = static_cast<Session*>(source->ptr)->bodies[id];
            const size_t n = std::min(length, size_t(left.size()));
            std::memcpy(buffer, left.constData(), n);
            left.remove(0, qsizetype(n));
            *flags |= left.isEmpty() ? NGHTTP2_DATA_FLAG_EOF : 0;
            return ssize_t(n);
        }

        void answer(int32_t id, const Reply& reply)
        {
            QList<QByteArray> fields = {":status", QByteArray::number(reply.status)};
            for (const QByteArray& line : reply.headers.split('\n'))
                if (const qsizetype colon = line.indexOf(':'); colon > 0)
                    fields << line.left(colon).toLower() << line.mid(colon + 1).trimmed();
            std::vector<nghttp2_nv> nv;
            for (qsizetype i = 0; i < fields.size(); i += 2)
                nv.push_back({(uint8_t*)fields[i].data(), (uint8_t*)fields[i + 1].data(), size_t(fields[i].size()),
                              size_t(fields[i + 1].size()), NGHTTP2_NV_FLAG_NONE});
            bodies[id] = reply.body;
            const nghttp2_data_provider body{.source = {.ptr = this}, .read_callback = &Session::readBody};
            if (reply.kind == Reply::Kind::ResetStream)
                nghttp2_submit_rst_stream(h2, NGHTTP2_FLAG_NONE, id, NGHTTP2_INTERNAL_ERROR);
            else if (reply.kind == Reply::Kind::GoAway)
                nghttp2_submit_goaway(h2, NGHTTP2_FLAG_NONE, std::max(0, id - 2), NGHTTP2_INTERNAL_ERROR, nullptr, 0);
            else
                nghttp2_submit_response(h2, id, nv.data(), nv.size(), &body);
            flush();
        }

        void flush()
        {
            const uint8_t* data = nullptr;
            for (ssize_t length; (length = nghttp2_session_mem_send(h2, &data)) > 0;)
                socket->write(reinterpret_cast<const char*>(data), length);
        }
    };

    void received(QSslSocket* socket) override
    {
        auto* s = static_cast<Session*>(socket->property("h2").value<void*>());
        if (!s)
            socket->setProperty("h2", QVariant::fromValue<void*>(s = new Session(this, socket)));
        const QByteArray data = socket->readAll();
        if (nghttp2_session_mem_recv(s->h2, (const uint8_t*)data.constData(), size_t(data.size())) < 0)
            return socket->disconnectFromHost();
        s->flush();
    }
};
