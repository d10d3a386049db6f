#include "cli/exportcommand.h"

#include "base/atomicfile.h"
#include "chat/chatexport.h"
#include "chat/chatstore.h"
#include "chat/settings.h"
#include "cli/commandparser.h"
#include "cli/terminaltext.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace ExportCommand {

namespace {

bool writeToStandardOutput(const CommandContext &context, const QByteArray &bytes)
{
    context.out->flush();
    QFile output;
    return output.open(stdout, QIODevice::WriteOnly) && output.write(bytes) == bytes.size()
        && output.flush();
}

} // namespace

Command command()
{
    return {u"export"_s, u"FILE"_s,
            u"Write every chat to a JSON file (FILE \"-\": standard output)"_s, &run};
}

QCoro::Task<int> run(QStringList arguments, CommandContext context)
{
    CommandParser parser(command());
    if (const std::optional<int> exitCode = parser.parse(arguments, context, 1, 1))
        co_return *exitCode;
    const QString path = parser.positionalArguments().constFirst();

    Settings settings;
    ChatStore store(settings);
    const ChatStoreResult<QList<ChatSession>> stored = store.load();
    if (!stored) {
        *context.err << "velm export: " << TerminalText::singleLine(stored.error().message())
                     << Qt::endl;
        co_return 1;
    }
    const QList<ChatSession> &sessions = stored.value();
    // The store reads a damaged list as empty, which is right for the app but would make an
    // export of "[]" look like a successful backup of nothing.
    if (sessions.isEmpty() && !store.lastBackupPath().isEmpty()) {
        *context.err << "velm export: the stored chat list could not be read; nothing was "
                        "exported. It is kept in "
                     << QDir::toNativeSeparators(store.lastBackupPath()) << Qt::endl;
        co_return 1;
    }
    const QByteArray bytes = ChatExport::encode(sessions);

    if (path == u"-"_s) {
        if (!writeToStandardOutput(context, bytes)) {
            *context.err << "velm export: could not write to standard output" << Qt::endl;
            co_return 1;
        }
        co_return 0;
    }

    QString why;
    if (!AtomicFile::write(path, bytes, &why)) {
        *context.err << "velm export: could not write " << QDir::toNativeSeparators(path) << ": "
                     << why << Qt::endl;
        co_return 1;
    }
    *context.out << "Exported " << sessions.size() << (sessions.size() == 1 ? " chat" : " chats")
                 << " to " << QDir::toNativeSeparators(path) << Qt::endl;
    co_return 0;
}

} // namespace ExportCommand
