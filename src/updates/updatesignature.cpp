#include "updates/updatesignature.h"

#include <QFile>

#include <sodium.h>

namespace {

bool sodiumReady()
{
    // Static initialisation runs once even when two threads get here together.
    static const bool ready = sodium_init() >= 0;
    return ready;
}

std::optional<QByteArray> decodeBase64(QStringView text, qsizetype expectedBytes)
{
    const QByteArray ascii = text.trimmed().toLatin1();
    const QByteArray::FromBase64Result decoded
        = QByteArray::fromBase64Encoding(ascii, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != expectedBytes)
        return std::nullopt;
    return decoded.decoded;
}

bool verifyBytes(const uchar *data, qint64 size, QStringView signature, const QByteArray &publicKey)
{
    if (!sodiumReady() || publicKey.size() != UpdateSignature::publicKeyBytes)
        return false;
    const std::optional<QByteArray> raw = decodeBase64(signature, UpdateSignature::signatureBytes);
    if (!raw)
        return false;
    return crypto_sign_verify_detached(reinterpret_cast<const uchar *>(raw->constData()), data,
                                       static_cast<unsigned long long>(size),
                                       reinterpret_cast<const uchar *>(publicKey.constData()))
        == 0;
}

} // namespace

namespace UpdateSignature {

std::optional<QByteArray> decodePublicKey(QStringView text)
{
    return decodeBase64(text, publicKeyBytes);
}

bool verify(const QByteArray &data, QStringView signature, const QByteArray &publicKey)
{
    return verifyBytes(reinterpret_cast<const uchar *>(data.constData()), data.size(), signature,
                       publicKey);
}

bool verifyFile(const QString &path, QStringView signature, const QByteArray &publicKey)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    if (size == 0)
        return verify(QByteArray(), signature, publicKey);
    // Mapped rather than read: installers run to hundreds of megabytes.
    if (const uchar *mapped = file.map(0, size))
        return verifyBytes(mapped, size, signature, publicKey);
    return verify(file.readAll(), signature, publicKey);
}

} // namespace UpdateSignature
