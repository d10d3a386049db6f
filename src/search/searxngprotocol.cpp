#include "search/searxngprotocol.h"

#include "search/searchquery.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace SearxngProtocol {

namespace {

// The body's "results", when it is SearXNG's JSON with an array of objects there.
std::optional<QJsonArray> resultObjects(const QByteArray &body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonValue results = document.object().value(QLatin1String("results"));
    if (!results.isArray())
        return std::nullopt;
    const QJsonArray array = results.toArray();
    for (const QJsonValue &value : array) {
        if (!value.isObject())
            return std::nullopt;
    }
    return array;
}

} // namespace

QUrl searchURL(const QString &baseAddress, const QString &query)
{
    qsizetype start = 0;
    qsizetype end = baseAddress.size();
    while (start < end && baseAddress.at(start) == u'/')
        ++start;
    while (end > start && baseAddress.at(end - 1) == u'/')
        --end;
    QUrl url(baseAddress.mid(start, end - start), QUrl::StrictMode);

    QString path = url.path(QUrl::FullyEncoded);
    qsizetype from = 0;
    qsizetype to = path.size();
    while (from < to && path.at(from) == u'/')
        ++from;
    while (to > from && path.at(to - 1) == u'/')
        --to;
    path = path.mid(from, to - from);
    url.setPath(path.isEmpty() ? QStringLiteral("/search") : u'/' + path + QLatin1String("/search"),
                QUrl::TolerantMode);

    return WebSearch::withQueryItems(url,
                                     {
                                         {QStringLiteral("q"), query},
                                         {QStringLiteral("format"), QStringLiteral("json")},
                                         {QStringLiteral("categories"), QStringLiteral("general")},
                                     });
}

std::optional<QList<SearchResult>> decodeResults(const QByteArray &body)
{
    const std::optional<QJsonArray> array = resultObjects(body);
    if (!array)
        return std::nullopt;
    // Every result is checked, not only those kept: a body with a broken result anywhere is
    // not trusted at all.
    QList<SearchResult> results;
    for (const QJsonValue &value : *array) {
        const QJsonObject result = value.toObject();
        const QJsonValue title = result.value(QLatin1String("title"));
        const QJsonValue url = result.value(QLatin1String("url"));
        const QJsonValue content = result.value(QLatin1String("content"));
        if (!title.isString() || !url.isString())
            return std::nullopt;
        if (!content.isString() && !content.isUndefined() && !content.isNull())
            return std::nullopt;
        if (results.size() < WebSearch::maxResults)
            results.append(
                SearchResult::create(title.toString(), url.toString(), content.toString()));
    }
    return results;
}

std::optional<qsizetype> resultCount(const QByteArray &body)
{
    const std::optional<QJsonArray> array = resultObjects(body);
    if (!array)
        return std::nullopt;
    return array->size();
}

} // namespace SearxngProtocol
