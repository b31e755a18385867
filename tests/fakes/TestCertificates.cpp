#include "TestCertificates.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

// Elliptic-curve keys: quick to make, even under the sanitizers.
const char* const script = R"(set -e
cd "$1"
key="-newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes"
openssl req -x509 $key -keyout ca.key -out ca.pem -days 1 -subj /CN=Ostrel-Test-CA \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign
openssl req $key -keyout leaf.key -out leaf.csr -subj /CN=localhost
echo subjectAltName=DNS:localhost,IP:127.0.0.1 >ext.cnf
openssl x509 -req -in leaf.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 1 -extfile ext.cnf -out leaf.pem
)";

} // namespace

bool TestCertificates::create()
{
    QTemporaryDir dir;
    const QStringList arguments = {QStringLiteral("-c"), QString::fromLatin1(script), QStringLiteral("sh"), dir.path()};
    if (!dir.isValid() || QProcess::execute(QStringLiteral("sh"), arguments) != 0) {
        m_error = QStringLiteral("openssl failed; its messages are above");
        return false;
    }
    const auto read = [&dir](const char* name) {
        QFile file(dir.filePath(QLatin1String(name)));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    m_ca = QSslCertificate(read("ca.pem"));
    m_leaf = QSslCertificate(read("leaf.pem"));
    m_leafKey = QSslKey(read("leaf.key"), QSsl::Ec);
    if (m_ca.isNull() || m_leaf.isNull() || m_leafKey.isNull()) {
        m_error = QStringLiteral("cannot load the generated certificates");
        return false;
    }
    return true;
}
