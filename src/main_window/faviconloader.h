#pragma once

#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// Site icons for the source cards, fetched from a public favicon service by host name
// ("<base>/ip3/<host>.ico"). A host is fetched at most once per run: requests for a host
// that is already loading join that load, and failures are remembered as well as icons, so
// a chat full of sources from the same few sites costs a handful of requests.
//
// The base address is https://icons.duckduckgo.com unless the environment variable
// VELM_FAVICON_URL names another one (tests point it at a local server).
class FaviconLoader : public QObject
{
    Q_OBJECT

public:
    // `network` may be null: the loader then makes its own.
    explicit FaviconLoader(QNetworkAccessManager *network = nullptr, QObject *parent = nullptr);

    // The application's loader, made on first use and owned by the application object, so
    // that every answer's cards share one cache.
    static FaviconLoader *shared();

    QUrl baseUrl() const { return m_baseUrl; }
    // Where the icon of `host` is fetched from; invalid when the host cannot be named in a
    // URL path.
    QUrl iconUrl(const QString &host) const;

    // The icon of `host` once it has loaded; a null image before that and after a failure.
    QImage icon(const QString &host) const { return m_icons.value(host); }
    bool hasFailed(const QString &host) const { return m_failed.contains(host); }
    bool isLoading(const QString &host) const { return m_loading.contains(host); }

    // Starts loading the icon of `host` unless it is loaded, loading or has failed. An
    // empty host is never fetched.
    void request(const QString &host);

Q_SIGNALS:
    // The icon of `host` is now available from icon().
    void iconLoaded(const QString &host);
    void iconFailed(const QString &host);

private:
    void finish(const QString &host, QNetworkReply *reply);

    QNetworkAccessManager *m_network = nullptr;
    QUrl m_baseUrl;
    QHash<QString, QImage> m_icons;
    QSet<QString> m_failed;
    QHash<QString, QPointer<QNetworkReply>> m_loading;
};
