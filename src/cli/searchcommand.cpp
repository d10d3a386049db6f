#include "cli/searchcommand.h"

#include "chat/chatsearch.h"
#include "chat/chatstore.h"
#include "chat/settings.h"
#include "cli/commandparser.h"
#include "cli/terminaltext.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace SearchCommand {

namespace {

constexpr int defaultLimit = 20;

// The one place the command reads the chats, so that it follows the store wherever the
// search itself moves. A list that could not be decoded is an error, not "no match".
Result<QList<ChatSearchHit>, QString> searchChats(const QString &query, int limit)
{
    Settings settings;
    ChatStore store(settings);
    ChatStoreResult<QList<ChatSearchHit>> hits = store.search(query, limit);
    if (!hits)
        return hits.error().message();
    // A damaged list of an earlier velm, set aside as the store first opened: its chats are
    // not searched, which must not read as "nothing matches".
    if (!store.lastBackupPath().isEmpty())
        return u"the stored chat list could not be read; it is kept in "_s
            + QDir::toNativeSeparators(store.lastBackupPath());
    return std::move(hits).value();
}

QJsonValue idValue(const QUuid &id)
{
    return id.isNull() ? QJsonValue(QJsonValue::Null)
                       : QJsonValue(id.toString(QUuid::WithoutBraces));
}

QString json(const QList<ChatSearchHit> &hits)
{
    QJsonArray array;
    for (const ChatSearchHit &hit : hits) {
        QJsonArray marks;
        for (const TextSpan &mark : hit.marks)
            marks.append(QJsonArray{qint64(mark.start), qint64(mark.length)});
        array.append(QJsonObject{
            {u"id"_s, idValue(hit.chatId)},
            {u"title"_s, hit.title},
            {u"updatedAt"_s, hit.updatedAt.toUTC().toString(Qt::ISODateWithMs)},
            {u"archived"_s, hit.isArchived},
            {u"messageId"_s, idValue(hit.messageId)},
            {u"snippet"_s, hit.snippet},
            {u"marks"_s, marks},
        });
    }
    // Qt escapes the C0 controls but writes DEL and the C1 controls (CSI among them) as
    // they are; a terminal would act on them. They can only stand inside strings.
    const QString text = QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() >= 0x7f && c.unicode() <= 0x9f)
            out += u"\\u%1"_s.arg(int(c.unicode()), 4, 16, QChar(u'0'));
        else
            out += c;
    }
    return out;
}

// "2026-03-10 14:05  Title (archived)  the text around the match"; a match in the title
// alone does not repeat it.
QString line(const ChatSearchHit &hit)
{
    QString text = hit.updatedAt.toLocalTime().toString(u"yyyy-MM-dd HH:mm"_s) + u"  "_s
        + TerminalText::singleLine(hit.title);
    if (hit.isArchived)
        text += u" (archived)"_s;
    if (!hit.messageId.isNull())
        text += u"  "_s + TerminalText::singleLine(hit.snippet);
    return text;
}

} // namespace

Command command()
{
    return {u"search"_s, u"[--json] [--limit N] QUERY"_s,
            u"Find the chats that mention QUERY, archived ones too"_s, &run};
}

QCoro::Task<int> run(QStringList arguments, CommandContext context)
{
    CommandParser parser(command());
    const QCommandLineOption jsonOption(u"json"_s, u"Print the matches as a JSON array."_s);
    const QCommandLineOption limitOption(
        u"limit"_s, u"Print at most N matches (%1 by default)."_s.arg(defaultLimit), u"N"_s);
    parser.addOption(jsonOption);
    parser.addOption(limitOption);
    if (const std::optional<int> exitCode = parser.parse(arguments, context, 1, -1))
        co_return *exitCode;

    int limit = defaultLimit;
    if (parser.isSet(limitOption)) {
        bool ok = false;
        limit = parser.value(limitOption).toInt(&ok);
        if (!ok || limit < 1)
            co_return parser.usageError(
                context, u"--limit takes a whole number from 1: "_s + parser.value(limitOption));
    }
    const QString query = parser.positionalArguments().join(u' ').simplified();
    if (query.isEmpty())
        co_return parser.usageError(context, u"the query is empty"_s);

    const Result<QList<ChatSearchHit>, QString> found = searchChats(query, limit);
    if (!found) {
        *context.err << "velm search: " << TerminalText::singleLine(found.error()) << Qt::endl;
        co_return 2;
    }
    const QList<ChatSearchHit> &hits = found.value();
    if (parser.isSet(jsonOption)) {
        *context.out << json(hits) << Qt::flush;
    } else {
        for (const ChatSearchHit &hit : hits)
            *context.out << line(hit) << '\n';
        *context.out << Qt::flush;
    }
    co_return hits.isEmpty() ? 1 : 0;
}

} // namespace SearchCommand
