#include "main_window/faviconloader.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

using namespace Qt::StringLiterals;

namespace {

// Site icons are a few kilobytes; anything much larger is not an icon.
constexpr qint64 maxIconBytes = 512 * 1024;
constexpr int transferTimeoutMs = 20000;

QUrl configuredBaseUrl()
{
    const QString fromEnvironment = qEnvironmentVariable("VELM_FAVICON_URL");
    const QUrl url(fromEnvironment.isEmpty() ? u"https://icons.duckduckgo.com"_s : fromEnvironment,
                   QUrl::StrictMode);
    return url;
}

// An .ico file usually holds several sizes; the largest one scales down crisply to any
// device pixel ratio.
QImage largestImage(const QByteArray &data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    QImage best;
    const int count = qMax(1, reader.imageCount());
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i))
            break;
        const QImage image = reader.read();
        if (!image.isNull() && image.width() * image.height() > best.width() * best.height())
            best = image;
    }
    return best;
}

} // namespace

FaviconLoader::FaviconLoader(QNetworkAccessManager *network, QObject *parent)
    : QObject(parent)
    , m_network(network ? network : new QNetworkAccessManager(this))
    , m_baseUrl(configuredBaseUrl())
{ }

FaviconLoader *FaviconLoader::shared()
{
    static QPointer<FaviconLoader> loader;
    if (!loader)
        loader = new FaviconLoader(nullptr, QCoreApplication::instance());
    return loader;
}

QUrl FaviconLoader::iconUrl(const QString &host) const
{
    if (host.isEmpty() || !m_baseUrl.isValid())
        return {};
    QString base = m_baseUrl.toString(QUrl::FullyEncoded);
    while (base.endsWith(u'/'))
        base.chop(1);
    // Hosts come from parsed URLs, but a slash, query or fragment would still change the
    // address: percent-encode everything that is not plain host text.
    const QByteArray name = QUrl::toPercentEncoding(host, ".-_~:[]");
    const QUrl url(base + u"/ip3/"_s + QString::fromLatin1(name) + u".ico"_s, QUrl::StrictMode);
    return url.isValid() ? url : QUrl();
}

void FaviconLoader::request(const QString &host)
{
    if (host.isEmpty() || m_icons.contains(host) || m_failed.contains(host)
        || m_loading.contains(host))
        return;

    const QUrl url = iconUrl(host);
    if (!url.isValid()) {
        m_failed.insert(host);
        Q_EMIT iconFailed(host);
        return;
    }

    QNetworkRequest request(url);
    request.setTransferTimeout(transferTimeoutMs);
    QNetworkReply *reply = m_network->get(request);
    m_loading.insert(host, reply);
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > maxIconBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, host, reply] { finish(host, reply); });
}

void FaviconLoader::finish(const QString &host, QNetworkReply *reply)
{
    reply->deleteLater();
    m_loading.remove(host);

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    QImage image;
    if (reply->error() == QNetworkReply::NoError && status >= 200 && status < 300)
        image = largestImage(reply->readAll());

    if (image.isNull()) {
        m_failed.insert(host);
        Q_EMIT iconFailed(host);
        return;
    }
    m_icons.insert(host, image);
    Q_EMIT iconLoaded(host);
}
