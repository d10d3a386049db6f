#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

// Ed25519 signatures of update files, in the text forms of appcast feeds: the public key
// and the detached signature of the whole file, each in base64.
namespace UpdateSignature {

constexpr qsizetype publicKeyBytes = 32;
constexpr qsizetype signatureBytes = 64;

// The key's bytes; empty unless `text` is base64 (surrounding whitespace allowed) of
// exactly 32 bytes.
std::optional<QByteArray> decodePublicKey(QStringView text);

// Whether `signature` (base64) is a valid signature of `data` by `publicKey` (raw bytes).
// Anything malformed counts as not valid.
bool verify(const QByteArray &data, QStringView signature, const QByteArray &publicKey);

// The same for the contents of a file; false when it cannot be read.
bool verifyFile(const QString &path, QStringView signature, const QByteArray &publicKey);

} // namespace UpdateSignature
