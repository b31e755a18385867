#pragma once

#include <QSslCertificate>
#include <QSslKey>
#include <QString>

// A throw-away CA and a server certificate it signed for 127.0.0.1, made by the openssl tool.
class TestCertificates
{
public:
    // False when the tool is missing or fails; it says why on standard error.
    bool create();
    QString error() const { return QStringLiteral("cannot make test certificates with openssl"); }

    QSslCertificate ca() const { return m_ca; }
    QSslCertificate leaf() const { return m_leaf; }
    QSslKey leafKey() const { return m_leafKey; }

private:
    QSslCertificate m_ca;
    QSslCertificate m_leaf;
    QSslKey m_leafKey;
};
