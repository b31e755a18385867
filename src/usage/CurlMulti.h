#pragma once

#include <QHash>
#include <QObject>
#include <QTimer>

#include <curl/curl.h>

#include <functional>
#include <memory>
#include <unordered_map>

class QSocketNotifier;

// One libcurl multi handle driven by this thread's event loop: socket
// notifiers for curl's sockets, one timer for its time-outs, so no call ever
// blocks. It lives as long as its owner, and with it the connections it
// keeps, so successive transfers to one host share a connection (one HTTP/2
// connection carries them all at once).
class CurlMulti final : public QObject
{
    Q_OBJECT

public:
    using Done = std::function<void(CURLcode)>;

    explicit CurlMulti(QObject* parent = nullptr);
    // Abandons the transfers still running without calling them back; their
    // easy handles stay with whoever added them.
    ~CurlMulti() override;

    // Starts the transfer set up on `easy`. `done` runs on this thread once
    // it has ended and left the multi handle, never from inside add().
    void add(CURL* easy, Done done);
    // Stops a transfer without calling it back.
    void remove(CURL* easy);

private:
    // Read and write notifiers for one of curl's sockets.
    struct Watch
    {
        std::unique_ptr<QSocketNotifier> read;
        std::unique_ptr<QSocketNotifier> write;
    };

    static int onSocket(CURL* easy, curl_socket_t socket, int what, void* self, void* watch);
    static int onTimer(CURLM* multi, long timeoutMs, void* self);
    void watch(curl_socket_t socket, int what);
    void act(curl_socket_t socket, int events);
    void finishDone();

    CURLM* m_multi = nullptr;
    QTimer m_timer;
    QHash<CURL*, Done> m_running;
    std::unordered_map<curl_socket_t, Watch> m_watches;
};
