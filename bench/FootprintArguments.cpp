#include "FootprintArguments.h"

#include <QFile>

bool FootprintArguments::parse(const QStringList& arguments, int restCount, FootprintArguments& out)
{
    if (arguments.size() != 5 + restCount)
        return false;
    out.endpoint = QUrl(arguments.at(1));
    out.ca = QSslCertificate::fromPath(arguments.at(2));
    bool cyclesOk = false;
    bool intervalOk = false;
    out.cycles = arguments.at(3).toInt(&cyclesOk);
    out.interval = std::chrono::milliseconds(arguments.at(4).toInt(&intervalOk));
    out.rest = arguments.mid(5);
    return out.endpoint.isValid() && !out.ca.isEmpty() && cyclesOk && intervalOk && out.cycles > 0;
}

qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}
