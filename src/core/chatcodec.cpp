#include "core/chatcodec.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>

using namespace Qt::StringLiterals;

namespace ChatCodec {

namespace {

// 2001-01-01 00:00:00 UTC in milliseconds since the Unix epoch.
constexpr qint64 referenceEpochMSecs = 978307200000LL;
// Far beyond any real date, and small enough that milliseconds fit a qint64 exactly.
constexpr double maxReferenceSeconds = 1e15;

QString uuidText(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

QJsonObject toJson(const SearchResult &result)
{
    return QJsonObject{
        {u"id"_s, uuidText(result.id)},
        {u"title"_s, result.title},
        {u"url"_s, result.url},
        {u"snippet"_s, result.snippet},
    };
}

QJsonObject toJson(const ChatMessage &message)
{
    QJsonObject object{
        {u"id"_s, uuidText(message.id)},
        {u"role"_s, ChatMessage::roleName(message.role)},
        {u"text"_s, message.text},
    };
    if (message.sources) {
        QJsonArray sources;
        for (const SearchResult &result : *message.sources)
            sources.append(toJson(result));
        object.insert(u"sources"_s, sources);
    }
    return object;
}

QJsonObject toJson(const ChatSession &session)
{
    QJsonArray messages;
    for (const ChatMessage &message : session.messages)
        messages.append(toJson(message));
    QJsonObject object{
        {u"id"_s, uuidText(session.id)},
        {u"messages"_s, messages},
        {u"updatedAt"_s, referenceSeconds(session.updatedAt)},
        {u"isArchived"_s, session.isArchived},
    };
    if (session.customTitle)
        object.insert(u"customTitle"_s, *session.customTitle);
    return object;
}

QJsonArray toJson(const QList<ChatMessage> &messages)
{
    QJsonArray array;
    for (const ChatMessage &message : messages)
        array.append(toJson(message));
    return array;
}

std::optional<QUuid> uuidFrom(const QJsonValue &value)
{
    if (!value.isString())
        return std::nullopt;
    const QString text = value.toString();
    // QUuid also takes braces and bare hex; a stored id is only ever the 36-character form.
    if (text.size() != 36)
        return std::nullopt;
    const QUuid id = QUuid::fromString(text);
    // fromString answers the nil UUID for garbage, so the nil UUID itself needs a look.
    if (id.isNull() && text != "00000000-0000-0000-0000-000000000000"_L1)
        return std::nullopt;
    return id;
}

std::optional<QString> stringFrom(const QJsonValue &value)
{
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<SearchResult> searchResultFrom(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto id = uuidFrom(object.value("id"_L1));
    const auto title = stringFrom(object.value("title"_L1));
    const auto url = stringFrom(object.value("url"_L1));
    const auto snippet = stringFrom(object.value("snippet"_L1));
    if (!id || !title || !url || !snippet)
        return std::nullopt;
    return SearchResult{*id, *title, *url, *snippet};
}

std::optional<ChatMessage> messageFrom(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto id = uuidFrom(object.value("id"_L1));
    const QJsonValue roleValue = object.value("role"_L1);
    const auto role
        = roleValue.isString() ? ChatMessage::roleFromName(roleValue.toString()) : std::nullopt;
    const auto text = stringFrom(object.value("text"_L1));
    if (!id || !role || !text)
        return std::nullopt;

    ChatMessage message(*id, *role, *text);
    // An optional key holding null reads as absent, as the first version's decoder did.
    const QJsonValue sources = object.value("sources"_L1);
    if (sources.isArray()) {
        const QJsonArray array = sources.toArray();
        QList<SearchResult> results;
        results.reserve(array.size());
        for (const QJsonValue &item : array) {
            auto result = searchResultFrom(item);
            if (!result)
                return std::nullopt;
            results.append(std::move(*result));
        }
        message.sources = std::move(results);
    } else if (!sources.isUndefined() && !sources.isNull()) {
        return std::nullopt;
    }
    return message;
}

std::optional<ChatSession> sessionFrom(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto id = uuidFrom(object.value("id"_L1));
    const QJsonValue messages = object.value("messages"_L1);
    const QJsonValue updatedAt = object.value("updatedAt"_L1);
    if (!id || !messages.isArray() || !updatedAt.isDouble())
        return std::nullopt;
    const auto date = dateFromReferenceSeconds(updatedAt.toDouble());
    if (!date)
        return std::nullopt;

    ChatSession session;
    session.id = *id;
    session.updatedAt = *date;

    const QJsonValue customTitle = object.value("customTitle"_L1);
    if (customTitle.isString())
        session.customTitle = customTitle.toString();
    else if (!customTitle.isUndefined() && !customTitle.isNull())
        return std::nullopt;

    const QJsonValue isArchived = object.value("isArchived"_L1);
    if (isArchived.isBool())
        session.isArchived = isArchived.toBool();
    else if (!isArchived.isUndefined() && !isArchived.isNull())
        return std::nullopt;

    const QJsonArray array = messages.toArray();
    session.messages.reserve(array.size());
    for (const QJsonValue &item : array) {
        auto message = messageFrom(item);
        if (!message)
            return std::nullopt;
        session.messages.append(std::move(*message));
    }
    return session;
}

std::optional<QJsonArray> arrayFrom(QByteArrayView json)
{
    QJsonParseError error;
    // The parser copies what it keeps, so the caller's bytes need not be copied first.
    const QJsonDocument document
        = QJsonDocument::fromJson(QByteArray::fromRawData(json.data(), json.size()), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    return document.array();
}

} // namespace

double referenceSeconds(const QDateTime &date)
{
    // Sessions are always created with a date; should one slip through without, saving it
    // as the reference date keeps the conversation instead of refusing the whole list.
    if (!date.isValid())
        return 0;
    // Exact division of whole milliseconds, so the shortest decimal form of the result is
    // the millisecond value itself and a decode/encode round trip gives the same text.
    return double(date.toMSecsSinceEpoch() - referenceEpochMSecs) / 1000.0;
}

std::optional<QDateTime> dateFromReferenceSeconds(double seconds)
{
    if (!std::isfinite(seconds) || std::fabs(seconds) > maxReferenceSeconds)
        return std::nullopt;
    const qint64 msecs = std::llround(seconds * 1000.0);
    return QDateTime::fromMSecsSinceEpoch(msecs + referenceEpochMSecs, Qt::UTC);
}

QByteArray encodeSessions(const QList<ChatSession> &sessions)
{
    QJsonArray array;
    for (const ChatSession &session : sessions)
        array.append(toJson(session));
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<QList<ChatSession>> decodeSessions(QByteArrayView json)
{
    const auto array = arrayFrom(json);
    if (!array)
        return std::nullopt;
    QList<ChatSession> sessions;
    sessions.reserve(array->size());
    for (const QJsonValue &item : *array) {
        auto session = sessionFrom(item);
        if (!session)
            return std::nullopt;
        sessions.append(std::move(*session));
    }
    return sessions;
}

QByteArray encodeMessages(const QList<ChatMessage> &messages)
{
    return QJsonDocument(toJson(messages)).toJson(QJsonDocument::Compact);
}

std::optional<QList<ChatMessage>> decodeMessages(QByteArrayView json)
{
    const auto array = arrayFrom(json);
    if (!array)
        return std::nullopt;
    QList<ChatMessage> messages;
    messages.reserve(array->size());
    for (const QJsonValue &item : *array) {
        auto message = messageFrom(item);
        if (!message)
            return std::nullopt;
        messages.append(std::move(*message));
    }
    return messages;
}

} // namespace ChatCodec
