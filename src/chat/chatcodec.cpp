#include "chat/chatcodec.h"

#include "base/jsonreader.h"
#include "base/jsonwriter.h"

#include <cmath>
#include <limits>

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

void write(JsonWriter &json, const SearchResult &result)
{
    json.beginObject();
    json.key("id"_L1);
    json.value(uuidText(result.id));
    json.key("title"_L1);
    json.value(result.title);
    json.key("url"_L1);
    json.value(result.url);
    json.key("snippet"_L1);
    json.value(result.snippet);
    json.endObject();
}

void write(JsonWriter &json, const JsonMembers &members)
{
    for (const JsonMember &member : members) {
        json.key(member.key);
        json.rawValue(member.json);
    }
}

void write(JsonWriter &json, const AnswerStats &stats)
{
    json.beginObject();
    json.key("tokens"_L1);
    json.value(double(stats.tokens));
    json.key("approximate"_L1);
    json.value(stats.approximate);
    if (stats.tokensPerSecond) {
        json.key("tokensPerSecond"_L1);
        json.value(*stats.tokensPerSecond);
    }
    if (stats.firstTokenSeconds) {
        json.key("firstTokenSeconds"_L1);
        json.value(*stats.firstTokenSeconds);
    }
    json.endObject();
}

// An attachment with its content as a data: URL, so that an export is a whole backup. Its
// hash is not written: it is the content's, and reading computes it again.
void write(JsonWriter &json, const Attachment &attachment)
{
    json.beginObject();
    json.key("name"_L1);
    json.value(attachment.name);
    json.key("kind"_L1);
    json.value(Attachment::kindName(attachment.kind));
    json.key("type"_L1);
    json.value(attachment.mimeType);
    json.key("size"_L1);
    json.value(double(attachment.size));
    json.key("data"_L1);
    json.value(attachment.dataUrl());
    if (attachment.kind == Attachment::Kind::Document) {
        json.key("text"_L1);
        json.value(attachment.text);
    }
    json.endObject();
}

// The members of one version of an answer. The optional ones are written only when set, so
// an answer without them is stored as before they existed.
void writeVersion(JsonWriter &json, const AnswerVersion &version)
{
    json.key("text"_L1);
    json.value(version.text);
    if (version.sources) {
        json.key("sources"_L1);
        json.beginArray();
        for (const SearchResult &result : *version.sources)
            write(json, result);
        json.endArray();
    }
    if (!version.reasoning.isEmpty()) {
        json.key("reasoning"_L1);
        json.value(version.reasoning);
    }
    if (version.thinkingSeconds) {
        json.key("thinkingSeconds"_L1);
        json.value(*version.thinkingSeconds);
    }
    if (!version.model.isEmpty()) {
        json.key("model"_L1);
        json.value(version.model);
    }
    if (version.stats) {
        json.key("stats"_L1);
        write(json, *version.stats);
    }
}

void write(JsonWriter &json, const ChatMessage &message)
{
    json.beginObject();
    json.key("id"_L1);
    json.value(uuidText(message.id));
    json.key("role"_L1);
    json.value(ChatMessage::roleName(message.role));
    // The shown version's members stand at the top, where a version that knows nothing of
    // versions reads the answer.
    writeVersion(json, message.version());
    if (!message.versions.isEmpty()) {
        json.key("versions"_L1);
        json.beginArray();
        for (const AnswerVersion &version : message.versions) {
            json.beginObject();
            writeVersion(json, version);
            json.endObject();
        }
        json.endArray();
        json.key("chosenVersion"_L1);
        json.value(double(message.chosenVersion));
    }
    if (!message.attachments.isEmpty()) {
        json.key("attachments"_L1);
        json.beginArray();
        for (const Attachment &attachment : message.attachments)
            write(json, attachment);
        json.endArray();
    }
    write(json, message.unknownKeys);
    json.endObject();
}

void write(JsonWriter &json, const QList<ChatMessage> &messages)
{
    json.beginArray();
    for (const ChatMessage &message : messages)
        write(json, message);
    json.endArray();
}

void write(JsonWriter &json, const ChatSession &session)
{
    json.beginObject();
    json.key("id"_L1);
    json.value(uuidText(session.id));
    json.key("messages"_L1);
    write(json, session.messages);
    json.key("updatedAt"_L1);
    json.value(referenceSeconds(session.updatedAt));
    if (session.customTitle) {
        json.key("customTitle"_L1);
        json.value(*session.customTitle);
    }
    json.key("isArchived"_L1);
    json.value(session.isArchived);
    write(json, session.unknownKeys);
    json.endObject();
}

// A guess at the encoded size, so that the buffer rarely has to grow.
qsizetype expectedSize(const QList<ChatMessage> &messages)
{
    qsizetype size = 0;
    for (const ChatMessage &message : messages) {
        size += message.text.size() + message.reasoning.size() + 100;
        for (const Attachment &attachment : message.attachments)
            size += attachment.data.size() * 4 / 3 + attachment.text.size() + 200;
        for (const AnswerVersion &version : message.versions)
            size += version.text.size() + version.reasoning.size() + 100;
        if (message.sources) {
            for (const SearchResult &result : *message.sources)
                size += result.title.size() + result.url.size() + result.snippet.size() + 100;
        }
    }
    return size + size / 8;
}

std::optional<QUuid> readUuid(JsonReader &json)
{
    const auto text = json.readStringBytes();
    // QUuid also takes braces and bare hex; a stored id is only ever the 36-character form.
    if (!text || text->size() != 36)
        return std::nullopt;
    const QUuid id = QUuid::fromString(QLatin1StringView(*text));
    // fromString answers the nil UUID for garbage, so the nil UUID itself needs a look.
    if (id.isNull() && *text != "00000000-0000-0000-0000-000000000000")
        return std::nullopt;
    return id;
}

std::optional<ChatMessage::Role> readRole(JsonReader &json)
{
    const auto name = json.readStringBytes();
    if (!name)
        return std::nullopt;
    if (*name == "user")
        return ChatMessage::Role::User;
    if (*name == "assistant")
        return ChatMessage::Role::Assistant;
    return std::nullopt;
}

// Reads a string into `out`; false on any other type.
bool readInto(JsonReader &json, QString &out)
{
    auto text = json.readString();
    if (!text)
        return false;
    out = std::move(*text);
    return true;
}

// Keeps a member this version does not know, with its value as it stands, so that saving
// the record again writes it back. A key that comes twice keeps its last value, as it would
// for a known key.
bool keepUnknown(JsonReader &json, QByteArrayView key, JsonMembers &members)
{
    // Copied first: reading a nested object reuses the buffer that `key` may point into.
    const QString name = QString::fromUtf8(key);
    const auto raw = json.readRawValue();
    if (!raw)
        return false;
    members.removeIf([&name](const JsonMember &member) { return member.key == name; });
    members.append({name, raw->toByteArray()});
    return true;
}

// Each reader below consumes exactly one value and answers false when it is not a valid
// record. Required keys are counted as they are seen; a thought of another type than its
// own is kept as an unknown key rather than failing the chat, which it is not needed for; optional
// keys holding null read as absent, as the first version's decoder had it. Unknown keys of chats
// and messages are kept (see keepUnknown); those of a source are dropped, as a source is only ever
// shown.

bool readSearchResult(JsonReader &json, SearchResult &result)
{
    if (!json.beginObject())
        return false;
    bool hasId = false, hasTitle = false, hasUrl = false, hasSnippet = false;
    QByteArrayView key;
    while (json.nextMember(key)) {
        if (key == "id") {
            const auto id = readUuid(json);
            if (!id)
                return false;
            result.id = *id;
            hasId = true;
        } else if (key == "title") {
            hasTitle = readInto(json, result.title);
            if (!hasTitle)
                return false;
        } else if (key == "url") {
            hasUrl = readInto(json, result.url);
            if (!hasUrl)
                return false;
        } else if (key == "snippet") {
            hasSnippet = readInto(json, result.snippet);
            if (!hasSnippet)
                return false;
        } else if (!json.skipValue()) {
            return false;
        }
    }
    return !json.failed() && hasId && hasTitle && hasUrl && hasSnippet;
}

// Reads an array whose every element `readElement` reads; false at the first that fails.
template<typename T, typename Read>
bool readArray(JsonReader &json, QList<T> &list, Read readElement)
{
    if (!json.beginArray())
        return false;
    list.clear();
    while (json.nextElement()) {
        T element;
        if (!readElement(json, element))
            return false;
        list.append(std::move(element));
    }
    return !json.failed();
}

bool readSources(JsonReader &json, std::optional<QList<SearchResult>> &sources)
{
    if (json.peek() == JsonReader::Type::Null) {
        sources.reset();
        return json.readNull();
    }
    QList<SearchResult> results;
    if (!readArray(json, results, readSearchResult))
        return false;
    sources = std::move(results);
    return true;
}

// {"tokens": 412, "approximate": false, …}; a member of another type than its own is passed
// over, so that an odd figure never costs the chat.
bool readStats(JsonReader &json, AnswerStats &stats)
{
    if (!json.beginObject())
        return false;
    QByteArrayView key;
    while (json.nextMember(key)) {
        const JsonReader::Type type = json.peek();
        bool ok;
        if (key == "tokens" && type == JsonReader::Type::Number) {
            const auto tokens = json.readNumber();
            ok = tokens.has_value();
            if (ok && *tokens >= 0 && *tokens <= std::numeric_limits<int>::max())
                stats.tokens = int(*tokens);
        } else if (key == "approximate" && type == JsonReader::Type::Bool) {
            const auto approximate = json.readBool();
            ok = approximate.has_value();
            stats.approximate = approximate.value_or(false);
        } else if (key == "tokensPerSecond" && type == JsonReader::Type::Number) {
            stats.tokensPerSecond = json.readNumber();
            ok = stats.tokensPerSecond.has_value();
        } else if (key == "firstTokenSeconds" && type == JsonReader::Type::Number) {
            stats.firstTokenSeconds = json.readNumber();
            ok = stats.firstTokenSeconds.has_value();
        } else {
            ok = json.skipValue();
        }
        if (!ok)
            return false;
    }
    return !json.failed();
}

bool readAttachment(JsonReader &json, Attachment &attachment)
{
    if (!json.beginObject())
        return false;
    bool hasName = false, hasKind = false, hasData = false;
    QByteArrayView key;
    while (json.nextMember(key)) {
        bool ok = true;
        if (key == "name") {
            ok = hasName = readInto(json, attachment.name);
        } else if (key == "kind") {
            const auto name = json.readString();
            const auto kind = name ? Attachment::kindFromName(*name) : std::nullopt;
            ok = hasKind = kind.has_value();
            attachment.kind = kind.value_or(Attachment::Kind::Document);
        } else if (key == "type") {
            ok = readInto(json, attachment.mimeType);
        } else if (key == "size" && json.peek() == JsonReader::Type::Number) {
            const auto size = json.readNumber();
            ok = size.has_value();
            attachment.size = size && *size >= 0 && *size < 1e15 ? qint64(*size) : 0;
        } else if (key == "data") {
            const auto url = json.readStringBytes();
            ok = hasData = url && attachment.setDataUrl(*url);
        } else if (key == "text") {
            ok = readInto(json, attachment.text);
        } else {
            ok = json.skipValue();
        }
        if (!ok)
            return false;
    }
    attachment.hash = attachment.contentHash();
    return !json.failed() && hasName && hasKind && hasData;
}

enum class Member { notOurs, read, failed };

// A member of one version of an answer. One of another type than its own is not ours: the
// message keeps it as an unknown key rather than failing the chat, which it is not needed for.
Member readVersionMember(JsonReader &json, QByteArrayView key, AnswerVersion &version,
                         bool &hasText)
{
    const JsonReader::Type type = json.peek();
    bool ok;
    if (key == "text") {
        ok = hasText = readInto(json, version.text);
    } else if (key == "sources") {
        ok = readSources(json, version.sources);
    } else if (key == "reasoning" && type == JsonReader::Type::String) {
        ok = readInto(json, version.reasoning);
    } else if (key == "thinkingSeconds" && type == JsonReader::Type::Number) {
        version.thinkingSeconds = json.readNumber();
        ok = version.thinkingSeconds.has_value();
    } else if (key == "model" && type == JsonReader::Type::String) {
        ok = readInto(json, version.model);
    } else if (key == "stats" && type == JsonReader::Type::Object) {
        ok = readStats(json, version.stats.emplace());
    } else {
        return Member::notOurs;
    }
    return ok ? Member::read : Member::failed;
}

bool readVersion(JsonReader &json, AnswerVersion &version)
{
    if (!json.beginObject())
        return false;
    bool hasText = false;
    QByteArrayView key;
    while (json.nextMember(key)) {
        const Member member = readVersionMember(json, key, version, hasText);
        if (member == Member::failed || (member == Member::notOurs && !json.skipValue()))
            return false;
    }
    return !json.failed() && hasText;
}

bool readMessage(JsonReader &json, ChatMessage &message)
{
    if (!json.beginObject())
        return false;
    bool hasId = false, hasRole = false, hasText = false;
    AnswerVersion shown;
    std::optional<qsizetype> chosen;
    QByteArrayView key;
    while (json.nextMember(key)) {
        if (key == "id") {
            const auto id = readUuid(json);
            if (!id)
                return false;
            message.id = *id;
            hasId = true;
        } else if (key == "role") {
            const auto role = readRole(json);
            if (!role)
                return false;
            message.role = *role;
            hasRole = true;
        } else if (key == "versions" && json.peek() == JsonReader::Type::Array) {
            if (!readArray(json, message.versions, readVersion))
                return false;
        } else if (key == "attachments" && json.peek() == JsonReader::Type::Array) {
            if (!readArray(json, message.attachments, readAttachment))
                return false;
        } else if (key == "chosenVersion" && json.peek() == JsonReader::Type::Number) {
            const auto index = json.readNumber();
            if (!index)
                return false;
            chosen = qsizetype(*index);
        } else if (const Member member = readVersionMember(json, key, shown, hasText);
                   member != Member::notOurs) {
            if (member == Member::failed)
                return false;
        } else if (!keepUnknown(json, key, message.unknownKeys)) {
            return false;
        }
    }
    message.show(shown);
    // A choice that points at no version: the answer at the top, the one an older velm
    // shows too, is the chosen one, and no version is dropped.
    if (!message.versions.isEmpty()) {
        if (chosen && *chosen >= 0 && *chosen < message.versions.size()) {
            message.chosenVersion = *chosen;
        } else {
            message.versions.append(shown);
            message.chosenVersion = message.versions.size() - 1;
        }
    }
    return !json.failed() && hasId && hasRole && hasText;
}

bool readMessages(JsonReader &json, QList<ChatMessage> &messages)
{
    return readArray(json, messages, readMessage);
}

bool readSession(JsonReader &json, ChatSession &session)
{
    if (!json.beginObject())
        return false;
    bool hasId = false, hasMessages = false, hasDate = false;
    QByteArrayView key;
    while (json.nextMember(key)) {
        if (key == "id") {
            const auto id = readUuid(json);
            if (!id)
                return false;
            session.id = *id;
            hasId = true;
        } else if (key == "messages") {
            hasMessages = readMessages(json, session.messages);
            if (!hasMessages)
                return false;
        } else if (key == "updatedAt") {
            const auto seconds = json.readNumber();
            const auto date = seconds ? dateFromReferenceSeconds(*seconds) : std::nullopt;
            if (!date)
                return false;
            session.updatedAt = *date;
            hasDate = true;
        } else if (key == "customTitle") {
            if (json.peek() == JsonReader::Type::Null) {
                session.customTitle.reset();
                if (!json.readNull())
                    return false;
            } else {
                auto title = json.readString();
                if (!title)
                    return false;
                session.customTitle = std::move(*title);
            }
        } else if (key == "isArchived") {
            if (json.peek() == JsonReader::Type::Null) {
                session.isArchived = false;
                if (!json.readNull())
                    return false;
            } else {
                const auto archived = json.readBool();
                if (!archived)
                    return false;
                session.isArchived = *archived;
            }
        } else if (!keepUnknown(json, key, session.unknownKeys)) {
            return false;
        }
    }
    return !json.failed() && hasId && hasMessages && hasDate;
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

namespace {

// Runs `read` over the whole of `json`; nothing unless it reads it all.
template<typename T, typename Read>
std::optional<T> decodeWhole(QByteArrayView json, Read read)
{
    JsonReader reader(json);
    T value;
    if (!read(reader, value) || !reader.atEnd())
        return std::nullopt;
    return value;
}

} // namespace

QByteArray encodeSources(const QList<SearchResult> &sources)
{
    JsonWriter json(sources.size() * 200 + 2);
    json.beginArray();
    for (const SearchResult &result : sources)
        write(json, result);
    json.endArray();
    return json.take();
}

std::optional<QList<SearchResult>> decodeSources(QByteArrayView json)
{
    return decodeWhole<QList<SearchResult>>(json, [](JsonReader &reader, auto &list) {
        return readArray(reader, list, readSearchResult);
    });
}

QByteArray encodeStats(const AnswerStats &stats)
{
    JsonWriter json(100);
    write(json, stats);
    return json.take();
}

std::optional<AnswerStats> decodeStats(QByteArrayView json)
{
    return decodeWhole<AnswerStats>(json, readStats);
}

QByteArray encodeVersions(const QList<AnswerVersion> &versions)
{
    qsizetype size = 2;
    for (const AnswerVersion &version : versions)
        size += version.text.size() + version.reasoning.size() + 200;
    JsonWriter json(size);
    json.beginArray();
    for (const AnswerVersion &version : versions) {
        json.beginObject();
        writeVersion(json, version);
        json.endObject();
    }
    json.endArray();
    return json.take();
}

std::optional<QList<AnswerVersion>> decodeVersions(QByteArrayView json)
{
    return decodeWhole<QList<AnswerVersion>>(
        json, [](JsonReader &reader, auto &list) { return readArray(reader, list, readVersion); });
}

QByteArray encodeMembers(const JsonMembers &members)
{
    JsonWriter json(64);
    json.beginObject();
    write(json, members);
    json.endObject();
    return json.take();
}

std::optional<JsonMembers> decodeMembers(QByteArrayView json)
{
    return decodeWhole<JsonMembers>(json, [](JsonReader &reader, JsonMembers &members) {
        if (!reader.beginObject())
            return false;
        QByteArrayView key;
        while (reader.nextMember(key)) {
            if (!keepUnknown(reader, key, members))
                return false;
        }
        return !reader.failed();
    });
}

QByteArray encodeSessions(const QList<ChatSession> &sessions)
{
    qsizetype size = 0;
    for (const ChatSession &session : sessions)
        size += expectedSize(session.messages) + 150;
    JsonWriter json(size);
    json.beginArray();
    for (const ChatSession &session : sessions)
        write(json, session);
    json.endArray();
    return json.take();
}

std::optional<QList<ChatSession>> decodeSessions(QByteArrayView json)
{
    JsonReader reader(json);
    QList<ChatSession> sessions;
    if (!readArray(reader, sessions, readSession) || !reader.atEnd())
        return std::nullopt;
    return sessions;
}

QByteArray encodeMessages(const QList<ChatMessage> &messages)
{
    JsonWriter json(expectedSize(messages));
    write(json, messages);
    return json.take();
}

std::optional<QList<ChatMessage>> decodeMessages(QByteArrayView json)
{
    JsonReader reader(json);
    QList<ChatMessage> messages;
    if (!readMessages(reader, messages) || !reader.atEnd())
        return std::nullopt;
    return messages;
}

} // namespace ChatCodec
