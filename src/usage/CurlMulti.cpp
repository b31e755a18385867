#include "usage/CurlMulti.h"

#include <QSocketNotifier>


CurlMulti::CurlMulti(QObject* parent)
    : QObject(parent)
{
    // Thread-safe in this libcurl; later calls only count.
    curl_global_init(CURL_GLOBAL_DEFAULT);
    m_multi = curl_multi_init();
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &CurlMulti::onSocket);
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &CurlMulti::onTimer);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);
    curl_multi_setopt(m_multi, CURLMOPT_PIPELINING, long(CURLPIPE_MULTIPLEX));
    // A server that holds its answers back cannot make us open connection
    // after connection: transfers beyond these wait for one, their deadlines
    // running. HTTP/2 carries them all on one anyway.
    curl_multi_setopt(m_multi, CURLMOPT_MAX_HOST_CONNECTIONS, 6L);
    curl_multi_setopt(m_multi, CURLMOPT_MAX_TOTAL_CONNECTIONS, 6L);
    curl_multi_setopt(m_multi, CURLMOPT_MAXCONNECTS, 6L);

    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { act(CURL_SOCKET_TIMEOUT, 0); });
}

CurlMulti::~CurlMulti()
{
    const QList<CURL*> running = m_running.keys();
    for (CURL* easy : running)
        curl_multi_remove_handle(m_multi, easy);
    m_running.clear();
    // Closing the cached connections would report their sockets gone to an
    // object half destroyed; the notifiers go with m_watches.
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, nullptr);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, nullptr);
    curl_multi_cleanup(m_multi);
}

void CurlMulti::add(CURL* easy, Done done)
{
    m_running.insert(easy, std::move(done));
    // Adding only arms the timer; the transfer starts from the event loop.
    if (curl_multi_add_handle(m_multi, easy) != CURLM_OK) {
        Done failed = m_running.take(easy);
        QTimer::singleShot(0, this, [failed = std::move(failed)] { failed(CURLE_FAILED_INIT); });
    }
}

void CurlMulti::remove(CURL* easy)
{
    if (m_running.remove(easy))
        curl_multi_remove_handle(m_multi, easy);
}

int CurlMulti::onSocket(CURL*, curl_socket_t socket, int what, void* self, void*)
{
    static_cast<CurlMulti*>(self)->watch(socket, what);
    return 0;
}

int CurlMulti::onTimer(CURLM*, long timeoutMs, void* self)
{
    // Never act from inside curl's own call: the timer fires from the loop.
    auto* multi = static_cast<CurlMulti*>(self);
    if (timeoutMs < 0)
        multi->m_timer.stop();
    else
        multi->m_timer.start(int(std::min<long>(timeoutMs, 24L * 3600 * 1000)));
    return 0;
}

void CurlMulti::watch(curl_socket_t socket, int what)
{
    if (what == CURL_POLL_REMOVE) {
        const auto found = m_watches.find(socket);
        if (found == m_watches.end())
            return;
        // curl is about to close the socket, and its number may come back at
        // once for a new one: stop watching now, delete from the loop (this
        // may run inside one of these notifiers' own signals).
        for (std::unique_ptr<QSocketNotifier>* notifier : {&found->second.read, &found->second.write}) {
            if (*notifier) {
                (*notifier)->setEnabled(false);
                notifier->release()->deleteLater();
            }
        }
        m_watches.erase(found);
        return;
    }
    Watch& w = m_watches[socket];
    const auto arm = [this, socket](std::unique_ptr<QSocketNotifier>& notifier, QSocketNotifier::Type type,
                                    bool wanted, int event) {
        if (!notifier) {
            if (!wanted)
                return;
            notifier = std::make_unique<QSocketNotifier>(qintptr(socket), type, this);
            connect(notifier.get(), &QSocketNotifier::activated, this, [this, socket, event] { act(socket, event); });
        }
        notifier->setEnabled(wanted);
    };
    arm(w.read, QSocketNotifier::Read, what & CURL_POLL_IN, CURL_CSELECT_IN);
    arm(w.write, QSocketNotifier::Write, what & CURL_POLL_OUT, CURL_CSELECT_OUT);
}

void CurlMulti::act(curl_socket_t socket, int events)
{
    int running = 0;
    curl_multi_socket_action(m_multi, socket, events, &running);
    finishDone();
}

void CurlMulti::finishDone()
{
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(m_multi, &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        CURL* easy = message->easy_handle;
        const CURLcode result = message->data.result;
        curl_multi_remove_handle(m_multi, easy);
        // The callback may release the handle; `message` is gone after removal.
        if (Done done = m_running.take(easy))
            done(result);
    }
}
