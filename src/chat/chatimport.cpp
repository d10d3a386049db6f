#include "chat/chatimport.h"

#include "chat/chatcodec.h"
#include "chat/chatexport.h"

#include <QCoreApplication>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

#include <limits>

using namespace Qt::StringLiterals;

namespace ChatImport {

namespace {

// "line 3, column 14" for a byte offset; columns count characters, not bytes, as an editor
// shows them.
QString position(QByteArrayView bytes, qsizetype offset)
{
    const QByteArrayView before = bytes.first(qBound(qsizetype(0), offset, bytes.size()));
    const qsizetype lineStart = before.lastIndexOf('\n') + 1;
    qsizetype column = 1;
    for (const char byte : before.sliced(lineStart)) {
        // A UTF-8 continuation byte starts no character of its own.
        if ((uchar(byte) & 0xC0) != 0x80)
            ++column;
    }
    return u"line %1, column %2"_s.arg(before.count('\n') + 1).arg(column);
}

// The value's JSON text, as the store keeps a member it does not know.
QByteArray compactJson(const QJsonValue &value)
{
    const QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return wrapped.sliced(1, wrapped.size() - 2);
}

std::optional<QUuid> uuid(const QJsonValue &value)
{
    const QString text = value.toString();
    // As in the store: only the 36-character form, and the nil UUID only when written so.
    if (!value.isString() || text.size() != 36)
        return std::nullopt;
    const QUuid id = QUuid::fromString(text);
    if (id.isNull() && text != u"00000000-0000-0000-0000-000000000000"_s)
        return std::nullopt;
    return id;
}

// Reads the records of a list of chats into ChatSession, with the leniency of the store's
// own decoder (ChatCodec), so that whatever an export holds reads back: an optional member
// of another type than its own is kept as an unknown key of the message, null reads as
// absent. What it cannot read it names with its place, e.g. `chat 3, message 2: "role" is
// missing`.
class RecordReader
{
public:
    // The export writes dates as ISO 8601 text, the store as seconds since 2001.
    enum class Dates { Iso, ReferenceSeconds };

    explicit RecordReader(Dates dates)
        : m_dates(dates)
    { }

    QString error() const { return m_error; }

    bool read(const QJsonArray &records, QList<ChatSession> &sessions)
    {
        sessions.reserve(records.size());
        for (qsizetype i = 0; i < records.size(); ++i) {
            const QString where = u"chat %1"_s.arg(i + 1);
            if (!records.at(i).isObject())
                return fail(where + u" is not a JSON object"_s);
            ChatSession session;
            if (!readSession(records.at(i).toObject(), where, session))
                return false;
            sessions.append(std::move(session));
        }
        return true;
    }

private:
    bool fail(const QString &error)
    {
        m_error = error;
        return false;
    }

    bool fail(const QString &where, QStringView key, QStringView problem)
    {
        return fail(u"%1: \"%2\" %3"_s.arg(where, key, problem));
    }

    bool readId(const QJsonObject &object, const QString &where, QUuid &id)
    {
        const QJsonValue value = object.value("id"_L1);
        if (value.isUndefined())
            return fail(where, u"id", u"is missing");
        const std::optional<QUuid> read = uuid(value);
        if (!read)
            return fail(where, u"id", u"is not a UUID");
        id = *read;
        return true;
    }

    bool readText(const QJsonObject &object, const QString &where, QString &text)
    {
        const QJsonValue value = object.value("text"_L1);
        if (value.isUndefined())
            return fail(where, u"text", u"is missing");
        if (!value.isString())
            return fail(where, u"text", u"is not text");
        text = value.toString();
        return true;
    }

    bool readSources(const QJsonValue &value, const QString &where,
                     std::optional<QList<SearchResult>> &sources)
    {
        if (value.isNull() || value.isUndefined()) {
            sources.reset();
            return true;
        }
        if (!value.isArray())
            return fail(where, u"sources", u"is not a list");
        const QJsonArray array = value.toArray();
        QList<SearchResult> results;
        for (qsizetype i = 0; i < array.size(); ++i) {
            const QString at = where + u", source %1"_s.arg(i + 1);
            if (!array.at(i).isObject())
                return fail(at + u" is not a JSON object"_s);
            const QJsonObject object = array.at(i).toObject();
            SearchResult result;
            if (!readId(object, at, result.id))
                return false;
            for (const auto &[key, field] :
                 {std::pair{u"title"_s, &result.title}, std::pair{u"url"_s, &result.url},
                  std::pair{u"snippet"_s, &result.snippet}}) {
                const QJsonValue text = object.value(key);
                if (text.isUndefined())
                    return fail(at, key, u"is missing");
                if (!text.isString())
                    return fail(at, key, u"is not text");
                *field = text.toString();
            }
            results.append(std::move(result));
        }
        sources = std::move(results);
        return true;
    }

    // A figure of another type than its own is passed over, as the store does.
    static AnswerStats readStats(const QJsonObject &object)
    {
        AnswerStats stats;
        const QJsonValue tokens = object.value("tokens"_L1);
        if (tokens.isDouble() && tokens.toDouble() >= 0
            && tokens.toDouble() <= std::numeric_limits<int>::max())
            stats.tokens = int(tokens.toDouble());
        stats.approximate = object.value("approximate"_L1).toBool();
        if (const QJsonValue speed = object.value("tokensPerSecond"_L1); speed.isDouble())
            stats.tokensPerSecond = speed.toDouble();
        if (const QJsonValue first = object.value("firstTokenSeconds"_L1); first.isDouble())
            stats.firstTokenSeconds = first.toDouble();
        return stats;
    }

    // The members of one version of an answer. Those of another type than their own are
    // answered as not read, for the message to keep as unknown keys.
    bool readVersion(const QJsonObject &object, const QString &where, AnswerVersion &version,
                     QStringList &notRead)
    {
        if (!readText(object, where, version.text)
            || !readSources(object.value("sources"_L1), where, version.sources))
            return false;
        if (const QJsonValue reasoning = object.value("reasoning"_L1); reasoning.isString())
            version.reasoning = reasoning.toString();
        else if (!reasoning.isUndefined())
            notRead.append(u"reasoning"_s);
        if (const QJsonValue seconds = object.value("thinkingSeconds"_L1); seconds.isDouble())
            version.thinkingSeconds = seconds.toDouble();
        else if (!seconds.isUndefined())
            notRead.append(u"thinkingSeconds"_s);
        if (const QJsonValue model = object.value("model"_L1); model.isString())
            version.model = model.toString();
        else if (!model.isUndefined())
            notRead.append(u"model"_s);
        if (const QJsonValue stats = object.value("stats"_L1); stats.isObject())
            version.stats = readStats(stats.toObject());
        else if (!stats.isUndefined())
            notRead.append(u"stats"_s);
        return true;
    }

    bool readAttachments(const QJsonValue &value, const QString &where,
                         QList<Attachment> &attachments)
    {
        if (!value.isArray())
            return fail(where, u"attachments", u"is not a list");
        const QJsonArray array = value.toArray();
        for (qsizetype i = 0; i < array.size(); ++i) {
            const QString at = where + u", attachment %1"_s.arg(i + 1);
            if (!array.at(i).isObject())
                return fail(at + u" is not a JSON object"_s);
            const QJsonObject object = array.at(i).toObject();
            Attachment attachment;
            const QJsonValue name = object.value("name"_L1);
            if (!name.isString())
                return fail(at, u"name", name.isUndefined() ? u"is missing" : u"is not text");
            attachment.name = name.toString();
            const std::optional<Attachment::Kind> kind
                = Attachment::kindFromName(object.value("kind"_L1).toString());
            if (!kind)
                return fail(at, u"kind", u"is neither \"image\" nor \"document\"");
            attachment.kind = *kind;
            attachment.mimeType = object.value("type"_L1).toString();
            const double size = object.value("size"_L1).toDouble();
            attachment.size = size >= 0 && size < 1e15 ? qint64(size) : 0;
            if (!attachment.setDataUrl(object.value("data"_L1).toString().toUtf8()))
                return fail(at, u"data", u"is not a data: URL in base64");
            attachment.text = object.value("text"_L1).toString();
            attachment.hash = attachment.contentHash();
            attachments.append(std::move(attachment));
        }
        return true;
    }

    bool readMessage(const QJsonObject &object, const QString &where, ChatMessage &message)
    {
        if (!readId(object, where, message.id))
            return false;
        const QJsonValue role = object.value("role"_L1);
        if (role.isUndefined())
            return fail(where, u"role", u"is missing");
        const std::optional<ChatMessage::Role> read
            = role.isString() ? ChatMessage::roleFromName(role.toString()) : std::nullopt;
        if (!read)
            return fail(where, u"role", u"is neither \"user\" nor \"assistant\"");
        message.role = *read;

        QStringList known{u"id"_s,      u"role"_s,      u"text"_s,
                          u"sources"_s, u"reasoning"_s, u"thinkingSeconds"_s,
                          u"model"_s,   u"stats"_s};
        QStringList notRead;
        AnswerVersion shown;
        if (!readVersion(object, where, shown, notRead))
            return false;
        if (const QJsonValue versions = object.value("versions"_L1); versions.isArray()) {
            known.append(u"versions"_s);
            const QJsonArray array = versions.toArray();
            for (qsizetype i = 0; i < array.size(); ++i) {
                const QString at = where + u", version %1"_s.arg(i + 1);
                if (!array.at(i).isObject())
                    return fail(at + u" is not a JSON object"_s);
                AnswerVersion version;
                // A version's odd member is dropped, as the store drops it.
                QStringList ignored;
                if (!readVersion(array.at(i).toObject(), at, version, ignored))
                    return false;
                message.versions.append(std::move(version));
            }
        }
        if (const QJsonValue attachments = object.value("attachments"_L1);
            !attachments.isUndefined()) {
            known.append(u"attachments"_s);
            if (!readAttachments(attachments, where, message.attachments))
                return false;
        }
        std::optional<double> chosen;
        if (const QJsonValue index = object.value("chosenVersion"_L1); index.isDouble()) {
            known.append(u"chosenVersion"_s);
            chosen = index.toDouble();
        }
        for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
            if (!known.contains(it.key()) || notRead.contains(it.key()))
                message.unknownKeys.append({it.key(), compactJson(it.value())});
        }
        message.show(shown);
        // As the store reads it: a choice that points at no version makes the answer at the
        // top the chosen one, and no version is dropped.
        if (!message.versions.isEmpty()) {
            if (chosen && *chosen >= 0 && *chosen < double(message.versions.size())) {
                message.chosenVersion = qsizetype(*chosen);
            } else {
                message.versions.append(shown);
                message.chosenVersion = message.versions.size() - 1;
            }
        }
        return true;
    }

    bool readDate(const QJsonValue &value, const QString &where, QDateTime &date)
    {
        if (value.isUndefined())
            return fail(where, u"updatedAt", u"is missing");
        std::optional<QDateTime> read;
        if (m_dates == Dates::ReferenceSeconds && value.isDouble()) {
            read = ChatCodec::dateFromReferenceSeconds(value.toDouble());
        } else if (m_dates == Dates::Iso && value.isString()) {
            const QDateTime parsed = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
            if (parsed.isValid())
                read = parsed.toUTC();
        }
        if (!read)
            return fail(where, u"updatedAt", u"is not a date");
        date = *read;
        return true;
    }

    bool readSession(const QJsonObject &object, const QString &where, ChatSession &session)
    {
        if (!readId(object, where, session.id))
            return false;
        const QJsonValue messages = object.value("messages"_L1);
        if (messages.isUndefined())
            return fail(where, u"messages", u"is missing");
        if (!messages.isArray())
            return fail(where, u"messages", u"is not a list");
        const QJsonArray array = messages.toArray();
        for (qsizetype i = 0; i < array.size(); ++i) {
            const QString at = where + u", message %1"_s.arg(i + 1);
            if (!array.at(i).isObject())
                return fail(at + u" is not a JSON object"_s);
            ChatMessage message;
            if (!readMessage(array.at(i).toObject(), at, message))
                return false;
            session.messages.append(std::move(message));
        }
        if (!readDate(object.value("updatedAt"_L1), where, session.updatedAt))
            return false;
        const QJsonValue title = object.value("customTitle"_L1);
        if (title.isString())
            session.customTitle = title.toString();
        else if (!title.isNull() && !title.isUndefined())
            return fail(where, u"customTitle", u"is not text");
        const QJsonValue archived = object.value("isArchived"_L1);
        if (archived.isBool())
            session.isArchived = archived.toBool();
        else if (!archived.isNull() && !archived.isUndefined())
            return fail(where, u"isArchived", u"is neither true nor false");

        static const QStringList known{u"id"_s, u"messages"_s, u"updatedAt"_s, u"customTitle"_s,
                                       u"isArchived"_s};
        for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
            if (!known.contains(it.key()))
                session.unknownKeys.append({it.key(), compactJson(it.value())});
        }
        return true;
    }

    Dates m_dates;
    QString m_error;
};

// What "the same chat" is judged on.
QByteArray exported(const ChatSession &session)
{
    return ChatExport::encode({session});
}

// Ids for a copy of `session`: derived from what it holds, so the same copy made again
// gets the same ids.
ChatSession copyWithOwnIds(const ChatSession &session, const QByteArray &content)
{
    static const QUuid copies = QUuid::fromString(u"6b3f0a52-58d1-4c53-9a8e-2f4c1d7e9b60"_s);
    ChatSession copy = session;
    copy.id = QUuid::createUuidV5(copies, content);
    for (ChatMessage &message : copy.messages)
        message.id = QUuid::createUuidV5(copy.id, message.id.toRfc4122());
    return copy;
}

} // namespace

Result<QList<ChatSession>, QString> decode(QByteArrayView bytes)
{
    // An editor may have added a byte order mark; it is not part of the JSON.
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    // A stored list reads as the store reads it, with its unknown members byte for byte.
    if (std::optional<QList<ChatSession>> stored = ChatCodec::decodeSessions(bytes))
        return std::move(*stored);
    if (bytes.trimmed().isEmpty())
        return u"the file is empty"_s;

    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes.toByteArray(), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        // Qt's parser tells the place after the character it stopped at, except for text
        // after the end, which it tells where it begins.
        const bool after = parseError.error != QJsonParseError::GarbageAtEnd;
        const qsizetype offset = parseError.offset - (after && parseError.offset > 0 ? 1 : 0);
        return position(bytes, offset) + u": "_s + parseError.errorString();
    }
    if (!document.isArray()) {
        return document.isObject() ? u"the file holds a JSON object, not a list of chats"_s
                                   : u"the file does not hold a list of chats"_s;
    }
    const QJsonArray records = document.array();
    // Only the store writes a date as a number: such a list that the store's decoder refused
    // is damaged, and the reader finds where.
    const bool stored
        = !records.isEmpty() && records.first().toObject().value("updatedAt"_L1).isDouble();
    RecordReader reader(stored ? RecordReader::Dates::ReferenceSeconds : RecordReader::Dates::Iso);
    QList<ChatSession> sessions;
    if (!reader.read(records, sessions))
        return reader.error();
    if (stored)
        return u"the file looks like a stored chat list, but velm cannot read it"_s;
    return sessions;
}

Plan plan(const QList<ChatSession> &incoming, const Lookup &lookup)
{
    Plan plan;
    // What is added so far, by id: a file may hold one chat twice.
    QHash<QUuid, QByteArray> added;
    const auto existing = [&](const QUuid &id) -> std::optional<QByteArray> {
        if (const auto it = added.constFind(id); it != added.cend())
            return *it;
        if (const std::optional<ChatSession> stored = lookup(id))
            return exported(*stored);
        return std::nullopt;
    };
    for (const ChatSession &session : incoming) {
        const QByteArray content = exported(session);
        std::optional<QByteArray> there = existing(session.id);
        if (there == content) {
            ++plan.skipped;
            continue;
        }
        ChatSession adding = session;
        if (there) {
            adding = copyWithOwnIds(session, content);
            const QByteArray copied = exported(adding);
            there = existing(adding.id);
            // Imported before, copy and all.
            if (there == copied) {
                ++plan.skipped;
                continue;
            }
            // Another chat under the derived id, which only a deliberate collision can
            // give: fresh ids then.
            if (there) {
                adding.id = QUuid::createUuid();
                for (ChatMessage &message : adding.messages)
                    message.id = QUuid::createUuid();
            }
        }
        added.insert(adding.id, exported(adding));
        plan.sessions.append(std::move(adding));
    }
    return plan;
}

ChatStoreResult<Plan> into(ChatStore &store, const QList<ChatSession> &incoming)
{
    Plan planned;
    const ChatStoreResult<int> added = store.add([&](const ChatStore::Lookup &stored) {
        planned = plan(incoming, stored);
        return planned.sessions;
    });
    if (!added)
        return added.error();
    return planned;
}

QString report(const Plan &plan)
{
    const qsizetype imported = plan.sessions.size();
    //: %1 is the number of chats skipped, as they were here already
    return imported == 1
        ? QCoreApplication::translate("ChatImport", "Imported 1 chat, skipped %1").arg(plan.skipped)
        : QCoreApplication::translate("ChatImport", "Imported %n chats, skipped %1", nullptr,
                                      int(imported))
              .arg(plan.skipped);
}

} // namespace ChatImport
