#pragma once

#include <QByteArray>
#include <QString>

// Update feeds written as feed generators write them.
namespace AppcastXml {

inline QByteArray rss(const QString &items)
{
    using namespace Qt::StringLiterals;
    return (u"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
            "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/"
            "sparkle\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
            "<channel><title>velm</title><link>https://example.org/</link>\n"_s
            + items + u"\n</channel></rss>\n"_s)
        .toUtf8();
}

// An item with its version on the enclosure, as feed generators write it today.
inline QString releaseItem(const QString &version, const QString &url, qint64 length,
                           const QString &signature, const QString &extra = QString())
{
    using namespace Qt::StringLiterals;
    return u"<item><title>Version %1</title>%5"
           "<enclosure url=\"%2\" length=\"%3\" type=\"application/octet-stream\" "
           "sparkle:version=\"%1\" sparkle:shortVersionString=\"%1\" "
           "sparkle:edSignature=\"%4\"/></item>"_s.arg(version, url, QString::number(length),
                                                       signature, extra);
}

} // namespace AppcastXml
