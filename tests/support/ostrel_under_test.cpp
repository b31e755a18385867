// The real application (Launch::run) with what a test has to pin, given
// before the application's own arguments:
//   ostrel_under_test [--usage-endpoint <url> --usage-ca <file>] [--now <ISO 8601>] [ostrel's arguments]
// --usage-endpoint sends the fetches to a local TLS server whose CA is
// trusted besides the system's; --now stops the clock there.
#include "app/Launch.h"
#include "usage/UsageAPIClient.h"

#include "FixedClock.h"

#include <QFile>

#include <map>
#include <string_view>

int main(int argc, char* argv[])
{
    QString endpoint, caFile, now;
    const std::map<std::string_view, QString*> options = {
        {"--usage-endpoint", &endpoint}, {"--usage-ca", &caFile}, {"--now", &now}};
    int first = 1;
    for (; first + 1 < argc && options.contains(argv[first]); first += 2)
        *options.at(argv[first]) = QString::fromLocal8Bit(argv[first + 1]);
    argv[first - 1] = argv[0];
    int rest = argc - first + 1;
    return Launch::run(rest, argv + first - 1, [&](StatsViewModel::Dependencies& dependencies) {
        if (!now.isEmpty())
            dependencies.clock = std::make_shared<FixedClock>(QDateTime::fromString(now, Qt::ISODate));
        if (endpoint.isEmpty())
            return;
        UsageAPIClient::Options client;
        client.endpoint = QUrl(endpoint);
        client.clock = dependencies.clock;
        QFile ca(caFile);
        if (ca.open(QIODevice::ReadOnly))
            client.extraCaPem = ca.readAll();
        dependencies.usageSource = std::make_shared<UsageAPIClient>(client);
    });
}
