// A local usage server: HTTPS/1.1 with keep-alive on 127.0.0.1, answering
// every request with the same reply (the file's, or a real-shaped one).
//
//   usage_server <dir> [reply file]
//
// Writes its CA to <dir>/ca.pem, prints "url <url>", then after every request
// "requests <n> connections <n> handshakes <n>". Runs until killed.
#include "LocalHttpsServer.h"
#include "TestCertificates.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {

// Shaped like a captured reply: null windows, a null reset time, an unknown key.
const QByteArray realShapedReply =
    R"({"five_hour":{"utilization":6.0,"resets_at":"2025-11-04T04:59:59.943648+00:00"},)"
    R"("seven_day":{"utilization":35.0,"resets_at":"2025-11-06T03:59:59.943664+00:00"},)"
    R"("seven_day_oauth_apps":null,"seven_day_opus":{"utilization":0.0,"resets_at":null},"iguana_necktie":null})";

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s <dir> [reply file]\n", argv[0]);
        return 2;
    }
    QByteArray body = realShapedReply;
    if (argc == 3) {
        QFile file(QString::fromLocal8Bit(argv[2]));
        if (!file.open(QIODevice::ReadOnly))
            return 1;
        body = file.readAll();
    }
    TestCertificates certificates;
    if (!certificates.create()) {
        std::fprintf(stderr, "%s\n", qPrintable(certificates.error()));
        return 1;
    }
    QFile ca(QString::fromLocal8Bit(argv[1]) + QStringLiteral("/ca.pem"));
    if (!ca.open(QIODevice::WriteOnly) || ca.write(certificates.ca().toPem()) < 0)
        return 1;
    ca.close();

    LocalHttpsServer server(certificates);
    if (!server.listen())
        return 1;
    server.setHandler([&server, &body](const LocalHttpsServer::Request&, int index) {
        std::printf("requests %d connections %d handshakes %d\n", index + 1, server.connections(),
                    server.handshakes());
        std::fflush(stdout);
        LocalHttpsServer::Reply reply;
        reply.body = body;
        return reply;
    });
    std::printf("url %s\n", server.url().toEncoded().constData());
    std::fflush(stdout);
    return application.exec();
}
