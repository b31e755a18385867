#pragma once

#include <QSslCertificate>
#include <QStringList>
#include <QUrl>

#include <chrono>

// What both footprint programs are told: where the usage server is, whom to
// trust, how many usage cycles to run and how fast.
struct FootprintArguments
{
    QUrl endpoint;
    QList<QSslCertificate> ca;
    int cycles = 200;
    std::chrono::milliseconds interval{20};
    QStringList rest; // program-specific, in order

    // <url> <ca.pem> <cycles> <interval ms> [rest...]; false on a mistake.
    static bool parse(const QStringList& arguments, int restCount, FootprintArguments& out);
};

// The process's resident memory now, in KiB, from /proc/self/status.
qint64 residentKiB();
