#include "updates/updateconfiguration.h"

#include "updates/updatesignature.h"

using namespace Qt::StringLiterals;

#ifndef VELM_UPDATE_FEED_URL_PLACEHOLDER
#error "The build defines the feed address placeholder"
#endif

QString UpdateConfiguration::placeholderFeedUrl()
{
    return QStringLiteral(VELM_UPDATE_FEED_URL_PLACEHOLDER);
}

QString UpdateConfiguration::placeholderPublicKey()
{
    return QStringLiteral(VELM_UPDATE_PUBLIC_KEY_PLACEHOLDER);
}

UpdateConfiguration UpdateConfiguration::fromBuild()
{
    return fromValues(QStringLiteral(VELM_UPDATE_FEED_URL), QStringLiteral(VELM_UPDATE_PUBLIC_KEY));
}

UpdateConfiguration UpdateConfiguration::fromValues(QStringView feedText, QStringView keyText,
                                                    QStringView placeholderFeed,
                                                    QStringView placeholderKey)
{
    const QUrl feed(feedText.toString(), QUrl::StrictMode);
    // A bare word parses as a relative URL; only a web address can be fetched.
    if (!feed.isValid() || (feed.scheme() != u"https" && feed.scheme() != u"http")
        || feed.host().isEmpty())
        return disabled(u"the feed address is not a web address"_s);
    if (feedText == placeholderFeed)
        return disabled(u"the feed address is the placeholder"_s);
    if (keyText.isEmpty())
        return disabled(u"the public key is empty"_s);
    if (keyText == placeholderKey)
        return disabled(u"the public key is the placeholder"_s);
    // Without a usable key no update could ever be verified, so none would be installable.
    const std::optional<QByteArray> key = UpdateSignature::decodePublicKey(keyText);
    if (!key)
        return disabled(u"the public key is not base64 of an Ed25519 key"_s);

    UpdateConfiguration configuration;
    configuration.m_enabled = true;
    configuration.m_feedUrl = feed;
    configuration.m_publicKey = *key;
    return configuration;
}

UpdateConfiguration UpdateConfiguration::disabled(const QString &reason)
{
    UpdateConfiguration configuration;
    configuration.m_disabledReason = reason;
    return configuration;
}
