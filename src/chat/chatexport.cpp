#include "chat/chatexport.h"

#include "base/jsonwriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QLocale>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace ChatExport {

namespace {

QString uuidText(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

QJsonObject record(const SearchResult &result)
{
    return {
        {u"id"_s, uuidText(result.id)},
        {u"title"_s, result.title},
        {u"url"_s, result.url},
        {u"snippet"_s, result.snippet},
    };
}

// What a newer version stored goes into the backup too.
void addUnknown(QJsonObject &object, const JsonMembers &members)
{
    for (const JsonMember &member : members) {
        if (object.contains(member.key))
            continue;
        const QJsonDocument wrapped = QJsonDocument::fromJson('[' + member.json + ']');
        object.insert(member.key, wrapped.array().at(0));
    }
}

QJsonObject record(const AnswerStats &stats)
{
    QJsonObject object{{u"tokens"_s, stats.tokens}, {u"approximate"_s, stats.approximate}};
    if (stats.tokensPerSecond)
        object.insert(u"tokensPerSecond"_s, *stats.tokensPerSecond);
    if (stats.firstTokenSeconds)
        object.insert(u"firstTokenSeconds"_s, *stats.firstTokenSeconds);
    return object;
}

// One version of an answer, with the members the store has for it.
void addVersion(QJsonObject &object, const AnswerVersion &version)
{
    object.insert(u"text"_s, version.text);
    // As in the store: no key for an answer without sources, [] for an empty list that is set.
    if (version.sources) {
        QJsonArray sources;
        for (const SearchResult &result : *version.sources)
            sources.append(record(result));
        object.insert(u"sources"_s, sources);
    }
    if (!version.reasoning.isEmpty())
        object.insert(u"reasoning"_s, version.reasoning);
    if (version.thinkingSeconds)
        object.insert(u"thinkingSeconds"_s, *version.thinkingSeconds);
    if (!version.model.isEmpty())
        object.insert(u"model"_s, version.model);
    if (version.stats)
        object.insert(u"stats"_s, record(*version.stats));
}

// A file with its content as a data: URL, so that the export is a whole backup.
QJsonObject record(const Attachment &attachment)
{
    QJsonObject object{
        {u"name"_s, attachment.name},      {u"kind"_s, Attachment::kindName(attachment.kind)},
        {u"type"_s, attachment.mimeType},  {u"size"_s, double(attachment.size)},
        {u"data"_s, attachment.dataUrl()},
    };
    if (attachment.kind == Attachment::Kind::Document)
        object.insert(u"text"_s, attachment.text);
    return object;
}

QJsonObject record(const ChatMessage &message)
{
    QJsonObject object{
        {u"id"_s, uuidText(message.id)},
        {u"role"_s, ChatMessage::roleName(message.role)},
    };
    addVersion(object, message.version());
    // Every version, the chosen one marked.
    if (!message.versions.isEmpty()) {
        QJsonArray versions;
        for (qsizetype i = 0; i < message.versions.size(); ++i) {
            QJsonObject version;
            addVersion(version, message.versions.at(i));
            if (i == message.chosenVersion)
                version.insert(u"chosen"_s, true);
            versions.append(version);
        }
        object.insert(u"versions"_s, versions);
        object.insert(u"chosenVersion"_s, message.chosenVersion);
    }
    if (!message.attachments.isEmpty()) {
        QJsonArray attachments;
        for (const Attachment &attachment : message.attachments)
            attachments.append(record(attachment));
        object.insert(u"attachments"_s, attachments);
    }
    addUnknown(object, message.unknownKeys);
    return object;
}

QJsonObject record(const ChatSession &session)
{
    QJsonArray messages;
    for (const ChatMessage &message : session.messages)
        messages.append(record(message));
    QJsonObject object{
        {u"id"_s, uuidText(session.id)},
        {u"messages"_s, messages},
        {u"updatedAt"_s, isoDate(session.updatedAt)},
        {u"isArchived"_s, session.isArchived},
    };
    if (session.customTitle)
        object.insert(u"customTitle"_s, *session.customTitle);
    addUnknown(object, session.unknownKeys);
    return object;
}

void writeString(QByteArray &out, const QString &text)
{
    JsonWriter::appendString(out, text, JsonWriter::LoneSurrogate::Escape);
}

void writeIndent(QByteArray &out, int depth)
{
    out += '\n';
    out += QByteArray(depth * 2, ' ');
}

void writeValue(QByteArray &out, const QJsonValue &value, int depth)
{
    switch (value.type()) {
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        out += "null";
        break;
    case QJsonValue::Bool:
        out += value.toBool() ? "true" : "false";
        break;
    case QJsonValue::Double:
        out += QByteArray::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
        break;
    case QJsonValue::String:
        writeString(out, value.toString());
        break;
    case QJsonValue::Array: {
        const QJsonArray array = value.toArray();
        if (array.isEmpty()) {
            out += "[]";
            break;
        }
        out += '[';
        for (qsizetype i = 0; i < array.size(); ++i) {
            if (i > 0)
                out += ',';
            writeIndent(out, depth + 1);
            writeValue(out, array.at(i), depth + 1);
        }
        writeIndent(out, depth);
        out += ']';
        break;
    }
    case QJsonValue::Object: {
        const QJsonObject object = value.toObject();
        if (object.isEmpty()) {
            out += "{}";
            break;
        }
        // Sorted here rather than trusting the iteration order of QJsonObject, which is an
        // implementation detail.
        QStringList keys = object.keys();
        std::sort(keys.begin(), keys.end());
        out += '{';
        for (qsizetype i = 0; i < keys.size(); ++i) {
            if (i > 0)
                out += ',';
            writeIndent(out, depth + 1);
            writeString(out, keys.at(i));
            out += " : ";
            writeValue(out, object.value(keys.at(i)), depth + 1);
        }
        writeIndent(out, depth);
        out += '}';
        break;
    }
    }
}

} // namespace

QByteArray encode(const QList<ChatSession> &sessions)
{
    QJsonArray array;
    for (const ChatSession &session : sessions)
        array.append(record(session));
    QByteArray text;
    writeValue(text, array, 0);
    text += '\n';
    return text;
}

QString isoDate(const QDateTime &date)
{
    if (!date.isValid())
        return {};
    // Qt::ISODate leaves the milliseconds out: cut, not rounded, so a date never moves into
    // the next day.
    return date.toUTC().toString(Qt::ISODate);
}

} // namespace ChatExport
