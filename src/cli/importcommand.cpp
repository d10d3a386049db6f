#include "cli/importcommand.h"

#include "chat/chatimport.h"
#include "chat/chatstore.h"
#include "chat/settings.h"
#include "cli/commandparser.h"
#include "cli/terminaltext.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace ImportCommand {

namespace {

std::optional<QByteArray> readAll(const QString &path, QString *why)
{
    QFile file;
    const bool opened = path == u"-"_s ? file.open(stdin, QIODevice::ReadOnly)
                                       : (file.setFileName(path), file.open(QIODevice::ReadOnly));
    if (!opened) {
        *why = file.errorString();
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *why = file.errorString();
        return std::nullopt;
    }
    return bytes;
}

// The one place that writes the store: the plan is made under its lock against what is
// stored now, and the chats it adds go after the stored ones, in the file's order.
} // namespace

Command command()
{
    return {
        u"import"_s, u"FILE"_s,
        u"Add the chats of an export file that are not stored yet (FILE \"-\": standard input)"_s,
        &run};
}

QCoro::Task<int> run(QStringList arguments, CommandContext context)
{
    CommandParser parser(command());
    if (const std::optional<int> exitCode = parser.parse(arguments, context, 1, 1))
        co_return *exitCode;
    const QString path = parser.positionalArguments().constFirst();
    const QString shownPath = path == u"-"_s ? u"standard input"_s : QDir::toNativeSeparators(path);

    QString why;
    const std::optional<QByteArray> bytes = readAll(path, &why);
    if (!bytes) {
        *context.err << "velm import: could not read " << shownPath << ": " << why << Qt::endl;
        co_return 1;
    }
    const Result<QList<ChatSession>, QString> incoming = ChatImport::decode(*bytes);
    if (!incoming) {
        *context.err << "velm import: " << shownPath << ": " << incoming.error()
                     << "; nothing was imported" << Qt::endl;
        co_return 1;
    }

    Settings settings;
    ChatStore store(settings);
    const ChatStoreResult<ChatImport::Plan> plan = ChatImport::into(store, incoming.value());
    if (!plan) {
        *context.err << "velm import: " << TerminalText::singleLine(plan.error().message())
                     << Qt::endl;
        co_return 1;
    }
    *context.out << ChatImport::report(plan.value()) << Qt::endl;
    co_return 0;
}

} // namespace ImportCommand
