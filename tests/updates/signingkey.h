#pragma once

#include <QByteArray>
#include <QString>

#include <sodium.h>

// A fresh Ed25519 key pair, standing in for the one a distribution signs its releases with.
class SigningKey
{
public:
    SigningKey()
        : m_public(crypto_sign_PUBLICKEYBYTES, '\0')
        , m_secret(crypto_sign_SECRETKEYBYTES, '\0')
    {
        if (sodium_init() < 0)
            qFatal("libsodium cannot start");
        crypto_sign_keypair(bytes(m_public), bytes(m_secret));
    }

    QByteArray publicKey() const { return m_public; }
    QString publicKeyText() const { return QString::fromLatin1(m_public.toBase64()); }

    // The detached signature of `data`, base64, as a feed carries it.
    QString sign(const QByteArray &data) const
    {
        QByteArray signature(crypto_sign_BYTES, '\0');
        crypto_sign_detached(bytes(signature), nullptr,
                             reinterpret_cast<const unsigned char *>(data.constData()),
                             static_cast<unsigned long long>(data.size()),
                             reinterpret_cast<const unsigned char *>(m_secret.constData()));
        return QString::fromLatin1(signature.toBase64());
    }

private:
    static unsigned char *bytes(QByteArray &array)
    {
        return reinterpret_cast<unsigned char *>(array.data());
    }

    QByteArray m_public;
    QByteArray m_secret;
};
