#pragma once

#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>
#include <QTemporaryDir>

// A throw-away self-signed certificate for 127.0.0.1, so its own CA (an EC key: quick even under the sanitizers).
class TestCertificates
{
public:
    bool create()
    {
        const QString script = QStringLiteral(R"(cd "$1" && openssl req -x509 -days 1 -newkey ec -nodes \
    -pkeyopt ec_paramgen_curve:P-256 -keyout leaf.key -out leaf.pem -subj /CN=localhost \
    -addext subjectAltName=DNS:localhost,IP:127.0.0.1)");
        QTemporaryDir dir;
        const QStringList arguments = {QStringLiteral("-c"), script, QStringLiteral("sh"), dir.path()};
        if (!dir.isValid() || QProcess::execute(QStringLiteral("sh"), arguments) != 0)
            return false;
        m_leaf = QSslCertificate::fromPath(dir.filePath(QStringLiteral("leaf.pem"))).value(0);
        QFile key(dir.filePath(QStringLiteral("leaf.key")));
        m_leafKey = key.open(QIODevice::ReadOnly) ? QSslKey(&key, QSsl::Ec) : QSslKey();
        return !m_leaf.isNull() && !m_leafKey.isNull();
    }
    QString error() const { return QStringLiteral("cannot make test certificates with openssl"); }

    QSslCertificate ca() const { return m_leaf; }
    QSslCertificate leaf() const { return m_leaf; }
    QSslKey leafKey() const { return m_leafKey; }

private:
    QSslCertificate m_leaf;
    QSslKey m_leafKey;
};
