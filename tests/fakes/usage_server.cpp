// A local usage server: HTTPS/1.1 with keep-alive on 127.0.0.1, answering
// every request with the same reply (the file's, or a real-shaped one).
//   usage_server <dir> [reply file]
// Writes its CA to <dir>/ca.pem, prints "url <url>", then after every request
// "requests <n> connections <n> handshakes <n>". Runs until killed.
#include "LocalHttpsServer.h"
#include "StatsFiles.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s <dir> [reply file]\n", argv[0]);
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[argc - 1]));
    if (argc == 3 && !file.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray body = argc == 3 ? file.readAll() : LocalHttpsServer::realShapedReply;
    TestCertificates certificates;
    if (!certificates.create()) {
        std::fprintf(stderr, "%s\n", qPrintable(certificates.error()));
        return 1;
    }
    LocalHttpsServer server(certificates);
    if (!StatsFiles::write(QString::fromLocal8Bit(argv[1]) + QStringLiteral("/ca.pem"), certificates.ca().toPem())
        || !server.listen())
        return 1;
    server.setHandler([&server, &body](const LocalHttpsServer::Request&, int index) {
        std::printf("requests %d connections %d handshakes %d\n", index + 1, server.connections(),
                    server.handshakes());
        std::fflush(stdout);
        return LocalHttpsServer::Reply{.body = body};
    });
    std::printf("url %s\n", server.url().toEncoded().constData());
    std::fflush(stdout);
    return application.exec();
}
