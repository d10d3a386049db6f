#include "llm/wireformat.h"

#include "llm/jsonscanner.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace WireFormat {

namespace {

LocalLLMError notJSON(const QJsonParseError &error)
{
    return LocalLLMError::decodingError(error.errorString() + u" at offset "_s
                                        + QString::number(error.offset));
}

} // namespace

QByteArray encodeChatRequest(const QString &model, const QList<LocalLLMMessage> &messages,
                             double temperature, bool stream)
{
    QJsonArray wireMessages;
    for (const LocalLLMMessage &message : messages)
        wireMessages.append(
            QJsonObject{{u"role"_s, message.role}, {u"content"_s, message.content}});
    const QJsonObject request{
        {u"model"_s, model},
        {u"messages"_s, wireMessages},
        {u"temperature"_s, temperature},
        {u"stream"_s, stream},
    };
    return QJsonDocument(request).toJson(QJsonDocument::Compact);
}

LLMResult<QStringList> decodeModelIDs(const QByteArray &body)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return notJSON(parseError);
    if (!document.isObject())
        return LocalLLMError::decodingError(u"the models list is not an object"_s);
    const QJsonValue data = document.object().value(u"data");
    if (data.isNull())
        return QStringList();
    if (!data.isArray())
        return LocalLLMError::decodingError(u"the models list has no \"data\" array"_s);
    QStringList ids;
    for (const QJsonValue model : data.toArray()) {
        const QJsonValue id = model.toObject().value(u"id");
        if (!id.isString())
            return LocalLLMError::decodingError(u"a model has no \"id\""_s);
        ids.append(id.toString());
    }
    return ids;
}

LLMResult<QString> decodeCompletion(const QByteArray &body)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return notJSON(parseError);
    const QJsonValue choices = document.object().value(u"choices");
    if (!choices.isArray())
        return LocalLLMError::decodingError(u"the completion has no \"choices\" array"_s);
    const QJsonArray list = choices.toArray();
    if (list.isEmpty())
        return LocalLLMError(LocalLLMError::Kind::emptyResponse, u"no choices"_s);
    const QJsonObject message = list.first().toObject().value(u"message").toObject();
    const QJsonValue role = message.value(u"role");
    const QJsonValue content = message.value(u"content");
    if (!role.isString() || !content.isString())
        return LocalLLMError::decodingError(u"the first choice has no message"_s);
    const QString text = content.toString().trimmed();
    if (text.isEmpty())
        return LocalLLMError(LocalLLMError::Kind::emptyResponse, u"blank content"_s);
    return text;
}

StreamEvent decodeStreamLine(QByteArrayView line)
{
    static constexpr QByteArrayView prefix("data: ");
    if (!line.startsWith(prefix))
        return {};
    const QByteArrayView payload = line.sliced(prefix.size());
    if (payload == QByteArrayView("[DONE]"))
        return {StreamEvent::Type::done, {}, {}};

    // {"choices": [{"delta": {"content": "…"}, …}, …], "error": …, …}; a member that comes
    // twice counts with its last value, as in QJsonObject.
    JsonScanner json(payload);
    std::optional<QString> content;
    std::optional<QString> error;
    const auto readDelta = [&](QByteArrayView key) {
        if (key != "content")
            return json.skipValue();
        if (json.peek() != '"') {
            content.reset();
            return json.skipValue();
        }
        content.emplace();
        return json.readString(&*content);
    };
    const auto readChoice = [&](QByteArrayView key) {
        if (key != "delta")
            return json.skipValue();
        content.reset();
        return json.peek() == '{' ? json.forEachMember(readDelta) : json.skipValue();
    };
    const auto readChoices = [&] {
        content.reset();
        if (!json.consume('['))
            return json.skipValue();
        if (json.consume(']'))
            return true;
        // Only the first choice is looked at.
        if (!(json.peek() == '{' ? json.forEachMember(readChoice) : json.skipValue()))
            return false;
        while (json.consume(',')) {
            if (!json.skipValue())
                return false;
        }
        return json.consume(']');
    };
    const auto readError = [&] {
        // {"error": {"message": "…"}} or {"error": "…"}; null means no error.
        switch (json.peek()) {
        case 'n':
            error.reset();
            return json.skipValue();
        case '"':
            error.emplace();
            return json.readString(&*error);
        case '{':
            error.emplace();
            return json.forEachMember([&](QByteArrayView key) {
                if (key == "message" && json.peek() == '"')
                    return json.readString(&*error);
                return json.skipValue();
            });
        default:
            error.emplace();
            return json.skipValue();
        }
    };
    const bool valid = json.forEachMember([&](QByteArrayView key) {
        if (key == "choices")
            return readChoices();
        if (key == "error")
            return readError();
        return json.skipValue();
    });
    if (!valid || !json.atEnd())
        return {};

    // llama.cpp, vLLM and LM Studio report failures in the middle of a stream this way;
    // skipping the line would pass a broken answer off as complete.
    if (error)
        return {StreamEvent::Type::error, {}, LocalLLMError::serverError(*error)};
    if (!content || content->isEmpty())
        return {};
    return {StreamEvent::Type::piece, std::move(*content), {}};
}

} // namespace WireFormat
