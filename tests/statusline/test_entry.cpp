// `ostrel` itself, but with the account service at <endpoint>, <CA file>
// trusted besides the system's roots, and the clock standing at <now>:
//   test_entry <endpoint> <CA file> <now, ISO 8601> [ostrel's arguments]
#include "app/Launch.h"
#include "usage/UsageAPIClient.h"

#include "FixedClock.h"

#include <QFile>

int main(int argc, char* argv[])
{
    if (argc < 4)
        return 2;
    const QUrl endpoint(QString::fromLocal8Bit(argv[1]));
    const QString caFile = QString::fromLocal8Bit(argv[2]);
    const QDateTime now = QDateTime::fromString(QString::fromLocal8Bit(argv[3]), Qt::ISODate);
    argv[3] = argv[0];
    int rest = argc - 3;
    return Launch::run(rest, argv + 3, [&](StatsViewModel::Dependencies& dependencies) {
        UsageAPIClient::Options options;
        options.endpoint = endpoint;
        QFile ca(caFile);
        if (ca.open(QIODevice::ReadOnly))
            options.extraCaPem = ca.readAll();
        dependencies.usageSource = std::make_shared<UsageAPIClient>(options);
        dependencies.clock = std::make_shared<FixedClock>(now);
    });
}
