#include "llm/wireformat.h"

#include "base/jsonreader.h"
#include "llm/thoughtsplitter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace WireFormat {

namespace {

LocalLLMError notJSON(const QJsonParseError &error)
{
    return LocalLLMError::decodingError(error.errorString() + u" at offset "_s
                                        + QString::number(error.offset));
}

// What a chunk's delta carries.
struct Delta
{
    std::optional<QString> content;
    // llama.cpp, vLLM and DeepSeek name the thought "reasoning_content", Ollama, LM Studio
    // and newer vLLM "reasoning".
    std::optional<QString> reasoningContent;
    std::optional<QString> reasoning;

    // One server sends both names with the same text: it is one thought.
    QString takeThought()
    {
        const bool hasFirst = reasoningContent && !reasoningContent->isEmpty();
        const bool hasSecond = reasoning && !reasoning->isEmpty();
        if (!hasSecond)
            return hasFirst ? std::move(*reasoningContent) : QString();
        if (!hasFirst || *reasoningContent == *reasoning)
            return std::move(*reasoning);
        return *reasoningContent + *reasoning;
    }
};

// A string member, or nothing for any other value (null above all).
bool readText(JsonReader &json, std::optional<QString> &text)
{
    if (json.peek() != JsonReader::Type::String) {
        text.reset();
        return json.skipValue();
    }
    text = json.readString();
    return text.has_value();
}

// {"content": "…", "reasoning_content": "…", …}
bool readDelta(JsonReader &json, Delta &delta)
{
    QByteArrayView key;
    while (json.nextMember(key)) {
        bool ok;
        if (key == "content")
            ok = readText(json, delta.content);
        else if (key == "reasoning_content")
            ok = readText(json, delta.reasoningContent);
        else if (key == "reasoning")
            ok = readText(json, delta.reasoning);
        else
            ok = json.skipValue();
        if (!ok)
            return false;
    }
    return !json.failed();
}

// {"delta": {…}, …}
bool readChoice(JsonReader &json, Delta &delta)
{
    QByteArrayView key;
    while (json.nextMember(key)) {
        bool ok;
        if (key != "delta") {
            ok = json.skipValue();
        } else {
            delta = {};
            ok = json.peek() == JsonReader::Type::Object
                ? json.beginObject() && readDelta(json, delta)
                : json.skipValue();
        }
        if (!ok)
            return false;
    }
    return !json.failed();
}

// [{choice}, …]: only the first choice is looked at.
bool readChoices(JsonReader &json, Delta &delta)
{
    delta = {};
    if (json.peek() != JsonReader::Type::Array)
        return json.skipValue();
    json.beginArray();
    for (bool first = true; json.nextElement(); first = false) {
        const bool ok = first && json.peek() == JsonReader::Type::Object
            ? json.beginObject() && readChoice(json, delta)
            : json.skipValue();
        if (!ok)
            return false;
    }
    return !json.failed();
}

// {"message": "…", …} or "…"; null means no error.
bool readError(JsonReader &json, std::optional<QString> &error)
{
    switch (json.peek()) {
    case JsonReader::Type::Null:
        error.reset();
        return json.readNull();
    case JsonReader::Type::String:
        error = json.readString();
        return error.has_value();
    case JsonReader::Type::Object: {
        error.emplace();
        json.beginObject();
        QByteArrayView key;
        while (json.nextMember(key)) {
            if (key == "message" && json.peek() == JsonReader::Type::String) {
                auto message = json.readString();
                if (!message)
                    return false;
                *error = std::move(*message);
            } else {
                if (key == "message")
                    error->clear();
                if (!json.skipValue())
                    return false;
            }
        }
        return !json.failed();
    }
    default:
        error.emplace();
        return json.skipValue();
    }
}

// A count that fits an int; anything else counts as not sent.
bool readCount(JsonReader &json, int &count)
{
    if (json.peek() != JsonReader::Type::Number)
        return json.skipValue();
    const std::optional<double> number = json.readNumber();
    if (!number)
        return false;
    if (*number >= 0 && *number <= std::numeric_limits<int>::max())
        count = int(*number);
    return true;
}

bool readRate(JsonReader &json, double &rate)
{
    if (json.peek() != JsonReader::Type::Number)
        return json.skipValue();
    const std::optional<double> number = json.readNumber();
    if (!number)
        return false;
    if (std::isfinite(*number) && *number > 0)
        rate = *number;
    return true;
}

// {"completion_tokens": N, …} or llama.cpp's {"predicted_n": N, "predicted_per_second": R, …};
// null (sent on every chunk but the last by some servers) says nothing. Out of line: it is
// read once an answer, and kept apart it leaves the path of every other chunk as it was.
Q_NEVER_INLINE bool readUsage(JsonReader &json, StreamUsage &usage)
{
    if (json.peek() != JsonReader::Type::Object)
        return json.skipValue();
    json.beginObject();
    QByteArrayView key;
    while (json.nextMember(key)) {
        bool ok;
        if (key == "completion_tokens")
            ok = readCount(json, usage.completionTokens);
        else if (key == "predicted_n")
            ok = readCount(json, usage.predictedTokens);
        else if (key == "predicted_per_second")
            ok = readRate(json, usage.tokensPerSecond);
        else
            ok = json.skipValue();
        if (!ok)
            return false;
    }
    return !json.failed();
}

// The members of a chunk that are read. Every chunk also has "id", "created", "model",
// "object" and more: telling by the first letter spares comparing most of them at all.
enum class ChunkMember { other, choices, error, usage };

ChunkMember chunkMember(QByteArrayView key)
{
    if (key.isEmpty())
        return ChunkMember::other;
    switch (key.front()) {
    case 'c':
        return key == "choices" ? ChunkMember::choices : ChunkMember::other;
    case 'e':
        return key == "error" ? ChunkMember::error : ChunkMember::other;
    case 'u':
        return key == "usage" ? ChunkMember::usage : ChunkMember::other;
    case 't':
        return key == "timings" ? ChunkMember::usage : ChunkMember::other;
    default:
        return ChunkMember::other;
    }
}

// {"choices": [{"delta": {"content": "…"}, …}, …], "error": …, "usage": …, …}; a member
// that comes twice counts with its last value, as in QJsonObject. `known`: "choices" or
// "error" was there.
bool readChunk(JsonReader &json, Delta &delta, std::optional<QString> &error, StreamUsage &usage,
               bool &known)
{
    if (!json.beginObject())
        return false;
    QByteArrayView key;
    while (json.nextMember(key)) {
        bool ok;
        switch (chunkMember(key)) {
        case ChunkMember::choices:
            ok = readChoices(json, delta);
            known = true;
            break;
        case ChunkMember::error:
            ok = readError(json, error);
            known = true;
            break;
        case ChunkMember::usage:
            ok = readUsage(json, usage);
            break;
        case ChunkMember::other:
            ok = json.skipValue();
            break;
        }
        if (!ok)
            return false;
    }
    return !json.failed();
}

} // namespace

QByteArray encodeChatRequest(const QString &model, const QList<LocalLLMMessage> &messages,
                             const ChatRequestOptions &options)
{
    QJsonArray wireMessages;
    for (const LocalLLMMessage &message : messages) {
        if (message.imageUrls.isEmpty()) {
            wireMessages.append(
                QJsonObject{{u"role"_s, message.role}, {u"content"_s, message.content}});
            continue;
        }
        // The content parts of the OpenAI format, which every server with vision reads.
        QJsonArray parts{QJsonObject{{u"type"_s, u"text"_s}, {u"text"_s, message.content}}};
        for (const QString &url : message.imageUrls)
            parts.append(QJsonObject{{u"type"_s, u"image_url"_s},
                                     {u"image_url"_s, QJsonObject{{u"url"_s, url}}}});
        wireMessages.append(QJsonObject{{u"role"_s, message.role}, {u"content"_s, parts}});
    }
    QJsonObject request{
        {u"model"_s, model},
        {u"messages"_s, wireMessages},
        {u"temperature"_s, options.temperature},
        {u"stream"_s, options.stream},
    };
    if (options.maxTokens)
        request.insert(u"max_tokens"_s, *options.maxTokens);
    if (options.stream && options.includeUsage)
        request.insert(u"stream_options"_s, QJsonObject{{u"include_usage"_s, true}});
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
    // A thinking model's thought is never the answer (a title made of "<think>Okay, the user
    // wants…" is no title).
    const QString text = ThoughtSplitter::split(content.toString()).answer.trimmed();
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
        return {StreamEvent::Type::done, {}, {}, {}, true, {}};

    // Lenient, so that no piece that QJsonDocument would read is dropped: a server that
    // sends a raw tab in a string is at fault, but losing the user's text over it is worse.
    JsonReader json(payload, JsonReader::Lenient);
    Delta delta;
    std::optional<QString> error;
    StreamEvent event;
    if (!readChunk(json, delta, error, event.usage, event.recognised) || !json.atEnd())
        return {};

    // llama.cpp, vLLM and LM Studio report failures in the middle of a stream this way;
    // skipping the line would pass a broken answer off as complete.
    if (error)
        return {StreamEvent::Type::error, {}, {}, LocalLLMError::serverError(*error), true, {}};
    event.reasoning = delta.takeThought();
    if (delta.content)
        event.text = std::move(*delta.content);
    // The usage chunk has an empty "choices", or none at all when a server leaves it out.
    event.recognised = event.recognised || !event.usage.isEmpty();
    if (!event.text.isEmpty() || !event.reasoning.isEmpty()) {
        event.type = StreamEvent::Type::piece;
        event.recognised = true;
    }
    return event;
}

namespace {

StreamEvent completionEvent(const QJsonObject &object)
{
    const QJsonValue error = object.value(u"error");
    if (!error.isUndefined() && !error.isNull()) {
        const QString message
            = error.isString() ? error.toString() : error.toObject().value(u"message").toString();
        return {StreamEvent::Type::error, {}, {}, LocalLLMError::serverError(message), true, {}};
    }
    const QJsonValue choices = object.value(u"choices");
    if (!choices.isArray())
        return {};
    const QJsonArray list = choices.toArray();
    if (list.isEmpty())
        return {StreamEvent::Type::done, {}, {}, {}, true, {}};
    const QJsonValue message = list.first().toObject().value(u"message");
    if (!message.isObject())
        return {};
    const QJsonObject fields = message.toObject();
    const QJsonValue content = fields.value(u"content");
    const QString reasoningContent = fields.value(u"reasoning_content").toString();
    const QString reasoning = fields.value(u"reasoning").toString();
    const QString thought
        = reasoningContent == reasoning ? reasoningContent : reasoningContent + reasoning;
    if ((content.isString() && !content.toString().isEmpty()) || !thought.isEmpty())
        return {StreamEvent::Type::piece, content.toString(), thought, {}, true, {}};
    // No text: a blank answer, as a stream of only "[DONE]" is one.
    if (content.isString() || content.isNull() || content.isUndefined())
        return {StreamEvent::Type::done, {}, {}, {}, true, {}};
    return {};
}

} // namespace

StreamEvent decodeCompletionEvent(const QByteArray &body)
{
    const QJsonObject object = QJsonDocument::fromJson(body).object();
    StreamEvent event = completionEvent(object);
    if (event.type == StreamEvent::Type::piece || event.type == StreamEvent::Type::done) {
        const QJsonValue tokens = object.value(u"usage").toObject().value(u"completion_tokens");
        if (tokens.isDouble() && tokens.toDouble() >= 0)
            event.usage.completionTokens = tokens.toInt();
    }
    return event;
}

} // namespace WireFormat
