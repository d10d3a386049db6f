#include "core/chatexport.h"

#include <QJsonArray>
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

QJsonObject record(const ChatMessage &message)
{
    QJsonObject object{
        {u"id"_s, uuidText(message.id)},
        {u"role"_s, ChatMessage::roleName(message.role)},
        {u"text"_s, message.text},
    };
    // As in the store: no key for an answer without sources, [] for an empty list that is set.
    if (message.sources) {
        QJsonArray sources;
        for (const SearchResult &result : *message.sources)
            sources.append(record(result));
        object.insert(u"sources"_s, sources);
    }
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
    return object;
}

void writeString(QString &out, const QString &text)
{
    out += u'"';
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        switch (c.unicode()) {
        case u'"':
            out += u"\\\""_s;
            break;
        case u'\\':
            out += u"\\\\"_s;
            break;
        case u'\b':
            out += u"\\b"_s;
            break;
        case u'\f':
            out += u"\\f"_s;
            break;
        case u'\n':
            out += u"\\n"_s;
            break;
        case u'\r':
            out += u"\\r"_s;
            break;
        case u'\t':
            out += u"\\t"_s;
            break;
        default:
            if (c.unicode() < 0x20) {
                out += u"\\u"_s + QString::number(c.unicode(), 16).rightJustified(4, u'0');
            } else if (c.isHighSurrogate() && i + 1 < text.size()
                       && text.at(i + 1).isLowSurrogate()) {
                out += c;
                out += text.at(++i);
            } else if (c.isSurrogate()) {
                // A half of a pair has no UTF-8 form; escaped, it survives the round trip
                // instead of turning into a replacement character.
                out += u"\\u"_s + QString::number(c.unicode(), 16);
            } else {
                out += c;
            }
        }
    }
    out += u'"';
}

void writeIndent(QString &out, int depth)
{
    out += u'\n';
    out += QString(depth * 2, u' ');
}

void writeValue(QString &out, const QJsonValue &value, int depth)
{
    switch (value.type()) {
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        out += u"null"_s;
        break;
    case QJsonValue::Bool:
        out += value.toBool() ? u"true"_s : u"false"_s;
        break;
    case QJsonValue::Double:
        out += QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
        break;
    case QJsonValue::String:
        writeString(out, value.toString());
        break;
    case QJsonValue::Array: {
        const QJsonArray array = value.toArray();
        if (array.isEmpty()) {
            out += u"[]"_s;
            break;
        }
        out += u'[';
        for (qsizetype i = 0; i < array.size(); ++i) {
            if (i > 0)
                out += u',';
            writeIndent(out, depth + 1);
            writeValue(out, array.at(i), depth + 1);
        }
        writeIndent(out, depth);
        out += u']';
        break;
    }
    case QJsonValue::Object: {
        const QJsonObject object = value.toObject();
        if (object.isEmpty()) {
            out += u"{}"_s;
            break;
        }
        // Sorted here rather than trusting the iteration order of QJsonObject, which is an
        // implementation detail.
        QStringList keys = object.keys();
        std::sort(keys.begin(), keys.end());
        out += u'{';
        for (qsizetype i = 0; i < keys.size(); ++i) {
            if (i > 0)
                out += u',';
            writeIndent(out, depth + 1);
            writeString(out, keys.at(i));
            out += u" : "_s;
            writeValue(out, object.value(keys.at(i)), depth + 1);
        }
        writeIndent(out, depth);
        out += u'}';
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
    QString text;
    writeValue(text, array, 0);
    text += u'\n';
    return text.toUtf8();
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
