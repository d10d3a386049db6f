#include "updates/appcast.h"

#include "updates/versioncomparator.h"

#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

namespace {

// What an <enclosure> says; the version attributes on it take precedence over the item's
// elements, as in the feeds' original readers.
struct Enclosure
{
    QUrl url;
    qint64 length = -1;
    QString type;
    QString signature;
    QString version;
    QString shortVersion;
    QString os;
};

bool isSparkle(const QXmlStreamReader &reader, QStringView name)
{
    return reader.namespaceUri() == Appcast::sparkleNamespace && reader.name() == name;
}

bool isPlain(const QXmlStreamReader &reader, QStringView name)
{
    return reader.namespaceUri().isEmpty() && reader.name() == name;
}

QStringView sparkleAttribute(const QXmlStreamAttributes &attributes, const QString &name)
{
    return attributes.value(Appcast::sparkleNamespace.toString(), name);
}

bool isWebAddress(const QUrl &url)
{
    return url.isValid() && (url.scheme() == u"https" || url.scheme() == u"http")
        && !url.host().isEmpty();
}

QUrl resolve(const QUrl &feedUrl, const QString &text)
{
    const QUrl url(text.trimmed());
    return feedUrl.isValid() ? feedUrl.resolved(url) : url;
}

bool isForThisPlatform(const QString &os)
{
    return os.isEmpty() || os.compare(Appcast::platformName, Qt::CaseInsensitive) == 0;
}

Enclosure readEnclosure(const QXmlStreamReader &reader, const QUrl &feedUrl)
{
    const QXmlStreamAttributes attributes = reader.attributes();
    Enclosure enclosure;
    enclosure.url = resolve(feedUrl, attributes.value(u"url"_s).toString());
    bool ok = false;
    const qint64 length = attributes.value(u"length"_s).trimmed().toLongLong(&ok);
    enclosure.length = ok && length > 0 ? length : -1;
    enclosure.type = attributes.value(u"type"_s).toString();
    enclosure.signature = sparkleAttribute(attributes, u"edSignature"_s).trimmed().toString();
    enclosure.version = sparkleAttribute(attributes, u"version"_s).trimmed().toString();
    enclosure.shortVersion
        = sparkleAttribute(attributes, u"shortVersionString"_s).trimmed().toString();
    enclosure.os = sparkleAttribute(attributes, u"os"_s).trimmed().toString();
    return enclosure;
}

// Reads one <item> (the reader stands on its start); an item velm cannot install gives
// nothing.
std::optional<AppcastItem> readItem(QXmlStreamReader &reader, const QUrl &feedUrl)
{
    AppcastItem item;
    QString elementVersion;
    QString elementShortVersion;
    QString itemOs;
    QString channel;
    std::optional<Enclosure> enclosure;

    while (reader.readNextStartElement()) {
        if (isPlain(reader, u"title")) {
            item.title = reader.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        } else if (isPlain(reader, u"description")) {
            const bool plain = sparkleAttribute(reader.attributes(), u"format"_s) == u"plain-text";
            item.releaseNotesFormat
                = plain ? AppcastItem::NotesFormat::PlainText : AppcastItem::NotesFormat::Html;
            item.releaseNotes = reader.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (isPlain(reader, u"pubDate")) {
            item.publicationDate
                = QDateTime::fromString(reader.readElementText().trimmed(), Qt::RFC2822Date);
        } else if (isPlain(reader, u"enclosure")) {
            // An item may carry one file per platform; the first one for this platform counts.
            const Enclosure candidate = readEnclosure(reader, feedUrl);
            if (!enclosure && isForThisPlatform(candidate.os))
                enclosure = candidate;
            reader.skipCurrentElement();
        } else if (isSparkle(reader, u"version")) {
            elementVersion = reader.readElementText().trimmed();
        } else if (isSparkle(reader, u"shortVersionString")) {
            elementShortVersion = reader.readElementText().trimmed();
        } else if (isSparkle(reader, u"releaseNotesLink")) {
            item.releaseNotesLink = resolve(feedUrl, reader.readElementText());
        } else if (isSparkle(reader, u"os")) {
            itemOs = reader.readElementText().trimmed();
        } else if (isSparkle(reader, u"channel")) {
            channel = reader.readElementText().trimmed();
        } else {
            // Deltas hold enclosures of their own that must not be taken for the release.
            reader.skipCurrentElement();
        }
    }

    if (!enclosure || !isForThisPlatform(itemOs) || !channel.isEmpty())
        return std::nullopt;
    item.version = enclosure->version.isEmpty() ? elementVersion : enclosure->version;
    item.shortVersion
        = enclosure->shortVersion.isEmpty() ? elementShortVersion : enclosure->shortVersion;
    if (item.version.isEmpty() || !isWebAddress(enclosure->url))
        return std::nullopt;
    if (!isWebAddress(item.releaseNotesLink))
        item.releaseNotesLink = QUrl();
    item.fileUrl = enclosure->url;
    item.fileLength = enclosure->length;
    item.fileType = enclosure->type;
    item.signature = enclosure->signature;
    return item;
}

} // namespace

std::optional<Appcast> Appcast::parse(const QByteArray &xml, const QUrl &feedUrl)
{
    QXmlStreamReader reader(xml);
    if (!reader.readNextStartElement() || !isPlain(reader, u"rss"))
        return std::nullopt;

    Appcast appcast;
    while (reader.readNextStartElement()) {
        if (!isPlain(reader, u"channel")) {
            reader.skipCurrentElement();
            continue;
        }
        while (reader.readNextStartElement()) {
            if (!isPlain(reader, u"item")) {
                reader.skipCurrentElement();
                continue;
            }
            if (std::optional<AppcastItem> item = readItem(reader, feedUrl))
                appcast.m_items.append(std::move(*item));
        }
    }
    // Anything after the document, or a document cut short, is as bad as a broken one.
    while (!reader.atEnd() && !reader.hasError())
        reader.readNext();
    if (reader.hasError())
        return std::nullopt;
    return appcast;
}

std::optional<AppcastItem> Appcast::newestNewerThan(QStringView currentVersion) const
{
    const AppcastItem *newest = nullptr;
    for (const AppcastItem &item : m_items) {
        if (!VersionComparator::isNewer(item.version, currentVersion))
            continue;
        if (!newest || VersionComparator::isNewer(item.version, newest->version))
            newest = &item;
    }
    if (!newest)
        return std::nullopt;
    return *newest;
}
