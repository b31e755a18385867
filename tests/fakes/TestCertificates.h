#pragma once

#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>
#include <QTemporaryDir>

// A throw-away CA and a certificate it signed for 127.0.0.1, made by the
// openssl tool (elliptic-curve keys: quick even under the sanitizers).
class TestCertificates
{
public:
    bool create()
    {
        const QString script = QStringLiteral(R"(set -e; cd "$1"
new="-x509 -days 1 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes"
openssl req $new -keyout ca.key -out ca.pem -subj /CN=Ostrel-Test-CA \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign
openssl req $new -CA ca.pem -CAkey ca.key -keyout leaf.key -out leaf.pem -subj /CN=localhost \
    -addext subjectAltName=DNS:localhost,IP:127.0.0.1 -addext basicConstraints=CA:FALSE)");
        QTemporaryDir dir;
        const QStringList arguments = {QStringLiteral("-c"), script, QStringLiteral("sh"), dir.path()};
        if (!dir.isValid() || QProcess::execute(QStringLiteral("sh"), arguments) != 0)
            return false;
        m_ca = QSslCertificate::fromPath(dir.filePath(QStringLiteral("ca.pem"))).value(0);
        m_leaf = QSslCertificate::fromPath(dir.filePath(QStringLiteral("leaf.pem"))).value(0);
        QFile key(dir.filePath(QStringLiteral("leaf.key")));
        m_leafKey = key.open(QIODevice::ReadOnly) ? QSslKey(&key, QSsl::Ec) : QSslKey();
        return !m_ca.isNull() && !m_leaf.isNull() && !m_leafKey.isNull();
    }
    QString error() const { return QStringLiteral("cannot make test certificates with openssl"); }

    QSslCertificate ca() const { return m_ca; }
    QSslCertificate leaf() const { return m_leaf; }
    QSslKey leafKey() const { return m_leafKey; }

private:
    QSslCertificate m_ca;
    QSslCertificate m_leaf;
    QSslKey m_leafKey;
};
