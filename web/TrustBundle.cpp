#include "TrustBundle.h"

#include "Certificate.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

namespace web {

namespace {

std::optional<QByteArray> readRegularFile(const QString& path, QString& why)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        why = info.exists() ? QStringLiteral("not a regular file") : QStringLiteral("no such file");
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        why = QStringLiteral("cannot be read: ") + file.errorString();
        return std::nullopt;
    }
    QByteArray bytes = file.read(MaxTrustFileBytes + 1);
    if (bytes.size() > MaxTrustFileBytes) {
        why = QStringLiteral("larger than %1 MiB").arg(MaxTrustFileBytes / (1024 * 1024));
        return std::nullopt;
    }
    return bytes;
}

// The certificate as PEM in its plainest form, whatever layout it came in.
QByteArray armoured(const QByteArray& der)
{
    QByteArray pem = "-----BEGIN CERTIFICATE-----\n";
    const QByteArray base64 = der.toBase64();
    for (qsizetype at = 0; at < base64.size(); at += 64)
        pem += base64.mid(at, 64) + '\n';
    return pem + "-----END CERTIFICATE-----\n";
}

} // namespace

TrustBundle ReadTrustBundle(const QString& systemBundle, const QString& extraFile)
{
    TrustBundle trust;
    QString why;
    const auto extra = readRegularFile(extraFile, why);
    if (!extra) {
        trust.problems << why;
        return trust;
    }

    QByteArray certificates;
    int blocks = 0;
    int blockLine = 0; // where the open block begins; 0 while none is open
    QByteArray label;
    QByteArray base64;
    auto leaveOut = [&](const char* problem) {
        trust.problems << QStringLiteral("block %1 (line %2) %3, left out")
                              .arg(blocks)
                              .arg(blockLine)
                              .arg(QLatin1String(problem));
    };
    const QList<QByteArray> lines = extra->split('\n');
    for (qsizetype at = 0; at < lines.size(); ++at) {
        const QByteArray line = lines[at].trimmed();
        if (line.startsWith("-----BEGIN ") && line.endsWith("-----")) {
            if (blockLine)
                leaveOut("has no end");
            ++blocks;
            blockLine = int(at + 1);
            label = line.mid(11, line.size() - 16);
            base64.clear();
        } else if (blockLine && line.startsWith("-----END ")) {
            const auto der
                = QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
            if (label != "CERTIFICATE" || line != "-----END CERTIFICATE-----")
                leaveOut("is no certificate");
            else if (!der
                || !IsCertificate(reinterpret_cast<const unsigned char*>(der.decoded.constData()),
                    std::size_t(der.decoded.size())))
                leaveOut("does not read as a certificate");
            else
                certificates += armoured(*der);
            blockLine = 0;
        } else if (blockLine) {
            base64 += line;
        }
    }
    if (blockLine)
        leaveOut("has no end");
    if (blocks == 0)
        trust.problems << QStringLiteral("holds no PEM certificate");
    if (certificates.isEmpty())
        return trust;

    if (!systemBundle.isEmpty()) {
        if (const auto system = readRegularFile(systemBundle, why))
            trust.pem = *system + '\n';
    }
    for (const QByteArray& der : SystemStoreCertificates())
        trust.pem += armoured(der);
    trust.pem += certificates;
    return trust;
}

} // namespace web
