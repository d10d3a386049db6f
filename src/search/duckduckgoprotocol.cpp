#include "search/duckduckgoprotocol.h"

#include "search/searchquery.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace DuckDuckGoProtocol {

namespace {

// Every key of an instant answer is optional, and null counts as absent; a value of another
// type means the body is not what it claims to be.
struct OptionalString
{
    bool valid = true;
    std::optional<QString> value;

    bool isNonEmpty() const { return value && !value->isEmpty(); }
};

OptionalString stringField(const QJsonObject &object, QLatin1String key)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return {};
    if (!value.isString())
        return {false, std::nullopt};
    return {true, value.toString()};
}

} // namespace

QUrl defaultEndpoint()
{
    return QUrl(QStringLiteral("https://api.duckduckgo.com/"));
}

QUrl queryURL(const QUrl &endpoint, const QString &query)
{
    return WebSearch::withQueryItems(endpoint,
                                     {
                                         {QStringLiteral("q"), query},
                                         {QStringLiteral("format"), QStringLiteral("json")},
                                         {QStringLiteral("no_html"), QStringLiteral("1")},
                                         {QStringLiteral("skip_disambig"), QStringLiteral("1")},
                                     });
}

std::pair<QString, QString> splitTopicText(const QString &text)
{
    static const QString separator = QStringLiteral(" - ");
    // Pieces left empty by the split do not count, so a text that starts with the separator
    // is split at the next one.
    qsizetype from = 0;
    for (qsizetype at = text.indexOf(separator); at != -1; at = text.indexOf(separator, from)) {
        if (at > from) {
            const QString title = text.mid(from, at - from);
            const QString snippet = text.mid(at + separator.size());
            if (snippet.isEmpty())
                break;
            return {title, snippet};
        }
        from = at + separator.size();
    }
    return {text, text};
}

std::optional<QList<SearchResult>> decodeResults(const QByteArray &body, const QString &query)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject answer = document.object();

    const OptionalString heading = stringField(answer, QLatin1String("Heading"));
    const OptionalString abstract = stringField(answer, QLatin1String("Abstract"));
    const OptionalString abstractURL = stringField(answer, QLatin1String("AbstractURL"));
    if (!heading.valid || !abstract.valid || !abstractURL.valid)
        return std::nullopt;

    const QJsonValue topicsValue = answer.value(QLatin1String("RelatedTopics"));
    if (!topicsValue.isUndefined() && !topicsValue.isNull() && !topicsValue.isArray())
        return std::nullopt;

    QList<SearchResult> results;
    if (abstract.isNonEmpty() && abstractURL.isNonEmpty())
        results.append(SearchResult::create(heading.value.value_or(query), *abstractURL.value,
                                            *abstract.value));

    const QJsonArray topics = topicsValue.toArray();
    for (const QJsonValue &value : topics) {
        if (!value.isObject())
            return std::nullopt;
        const QJsonObject topic = value.toObject();
        const OptionalString text = stringField(topic, QLatin1String("Text"));
        const OptionalString firstURL = stringField(topic, QLatin1String("FirstURL"));
        if (!text.valid || !firstURL.valid)
            return std::nullopt;
        // Groups ({"Name": …, "Topics": […]}) carry neither and fall through here.
        if (!text.isNonEmpty() || !firstURL.isNonEmpty())
            continue;
        if (results.size() < WebSearch::maxResults) {
            auto [title, snippet] = splitTopicText(*text.value);
            results.append(
                SearchResult::create(std::move(title), *firstURL.value, std::move(snippet)));
        }
    }
    return results;
}

} // namespace DuckDuckGoProtocol
