// The floor for the footprint benchmark: what any tray program polling the
// same reply costs at least. One QApplication, one QSystemTrayIcon, one
// QNetworkAccessManager, one GET per cycle, the reply read and dropped.
//
//   bench_footprint_floor <url> <ca.pem> <cycles> <interval ms>
//
// Prints "rss_kib <n>" after the last cycle and exits.
#include "FootprintArguments.h"

#include <QApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPixmap>
#include <QSslConfiguration>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    FootprintArguments arguments;
    if (!FootprintArguments::parse(QApplication::arguments(), 0, arguments)) {
        std::fprintf(stderr, "usage: %s <url> <ca.pem> <cycles> <interval ms>\n", argv[0]);
        return 2;
    }
    QApplication::setQuitOnLastWindowClosed(false);

    QPixmap glyph(22, 22);
    glyph.fill(Qt::darkGray);
    QSystemTrayIcon tray{QIcon(glyph)};
    tray.show();

    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setCaCertificates(QSslConfiguration::systemCaCertificates() + arguments.ca);
    QNetworkAccessManager network;
    int completed = 0;

    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(arguments.interval);
    QObject::connect(&timer, &QTimer::timeout, &network, [&] {
        QNetworkRequest request(arguments.endpoint);
        request.setSslConfiguration(tls);
        QNetworkReply* reply = network.get(request);
        QObject::connect(reply, &QNetworkReply::finished, &network, [&, reply] {
            reply->deleteLater();
            (void)reply->readAll();
            if (++completed == arguments.cycles) {
                timer.stop();
                std::printf("rss_kib %lld\n", residentKiB());
                std::fflush(stdout);
                QTimer::singleShot(0, &application, &QApplication::quit);
            }
        });
    });
    timer.start();
    return application.exec();
}
