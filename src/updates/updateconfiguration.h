#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QUrl>

// Where updates come from and the key they must be signed with. Both are set when velm is
// built (the CMake cache variables VELM_UPDATE_FEED_URL and VELM_UPDATE_PUBLIC_KEY); a build
// that keeps their placeholder values, or sets values that cannot work, has updating off.
class UpdateConfiguration
{
public:
    // The values a build carries unless it is given real ones.
    static QString placeholderFeedUrl();
    static QString placeholderPublicKey();

    // The configuration of this build.
    static UpdateConfiguration fromBuild();

    // Checks a feed address and a public key in text form (base64 of the 32 bytes of an
    // Ed25519 public key). Updating is on only when the feed is an http or https address
    // other than `placeholderFeed`, and the key is not empty, not `placeholderKey`, and
    // decodes to a key.
    static UpdateConfiguration fromValues(QStringView feedText, QStringView keyText,
                                          QStringView placeholderFeed = placeholderFeedUrl(),
                                          QStringView placeholderKey = placeholderPublicKey());

    bool isEnabled() const { return m_enabled; }
    // Why updating is off, in a sentence for the log; empty when it is on.
    QString disabledReason() const { return m_disabledReason; }
    // Set only when updating is on.
    QUrl feedUrl() const { return m_feedUrl; }
    QByteArray publicKey() const { return m_publicKey; }

private:
    static UpdateConfiguration disabled(const QString &reason);

    bool m_enabled = false;
    QString m_disabledReason;
    QUrl m_feedUrl;
    QByteArray m_publicKey;
};
