#include "TestCertificates.h"

#include <QFile>
#include <QProcess>

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

bool TestCertificates::run(const QStringList& arguments)
{
    QProcess openssl;
    openssl.setWorkingDirectory(m_dir.path());
    openssl.start(u"openssl"_s, arguments);
    if (!openssl.waitForFinished(60000) || openssl.exitStatus() != QProcess::NormalExit
        || openssl.exitCode() != 0) {
        m_error = u"openssl "_s + arguments.join(u' ') + u": "_s + openssl.errorString() + u' '
            + QString::fromLocal8Bit(openssl.readAllStandardError());
        return false;
    }
    return true;
}

bool TestCertificates::create()
{
    if (!m_dir.isValid()) {
        m_error = u"no temporary directory"_s;
        return false;
    }
    QFile ext(m_dir.filePath(u"ext.cnf"_s));
    if (!ext.open(QIODevice::WriteOnly) || ext.write("subjectAltName=DNS:localhost,IP:127.0.0.1\n") < 0) {
        m_error = u"cannot write ext.cnf"_s;
        return false;
    }
    ext.close();

    const bool made =
        run({u"req"_s, u"-x509"_s, u"-newkey"_s, u"rsa:2048"_s, u"-nodes"_s, u"-keyout"_s, u"ca.key"_s,
             u"-out"_s, u"ca.pem"_s, u"-days"_s, u"1"_s, u"-subj"_s, u"/CN=Ostrel Test CA"_s, u"-addext"_s,
             u"basicConstraints=critical,CA:TRUE"_s, u"-addext"_s, u"keyUsage=critical,keyCertSign"_s})
        && run({u"req"_s, u"-newkey"_s, u"rsa:2048"_s, u"-nodes"_s, u"-keyout"_s, u"leaf.key"_s, u"-out"_s,
                u"leaf.csr"_s, u"-subj"_s, u"/CN=localhost"_s})
        && run({u"x509"_s, u"-req"_s, u"-in"_s, u"leaf.csr"_s, u"-CA"_s, u"ca.pem"_s, u"-CAkey"_s, u"ca.key"_s,
                u"-CAcreateserial"_s, u"-out"_s, u"leaf.pem"_s, u"-days"_s, u"1"_s, u"-extfile"_s, u"ext.cnf"_s});
    if (!made)
        return false;

    m_ca = QSslCertificate(readAll(m_dir.filePath(u"ca.pem"_s)), QSsl::Pem);
    m_leaf = QSslCertificate(readAll(m_dir.filePath(u"leaf.pem"_s)), QSsl::Pem);
    m_leafKey = QSslKey(readAll(m_dir.filePath(u"leaf.key"_s)), QSsl::Rsa, QSsl::Pem);
    if (m_ca.isNull() || m_leaf.isNull() || m_leafKey.isNull()) {
        m_error = u"cannot load the generated certificates"_s;
        return false;
    }
    return true;
}
