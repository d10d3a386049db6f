#include "cli/exportcommand.h"

#include "cli/commandparser.h"
#include "core/chatcodec.h"
#include "core/chatexport.h"
#include "core/chatstore.h"
#include "core/settings.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace ExportCommand {

namespace {

// The store reads a damaged list as empty, which is right for the app but would make an
// export of "[]" look like a successful backup of nothing.
bool storedListIsUnreadable(Settings &settings)
{
    const QByteArray stored = settings.data(SettingsKeys::chatSessions);
    return !stored.isEmpty() && !ChatCodec::decodeSessions(stored);
}

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
    const QList<ChatSession> sessions = store.loadSessions();
    if (sessions.isEmpty() && storedListIsUnreadable(settings)) {
        *context.err << "velm export: the stored chat list could not be read; nothing was "
                        "exported. It is kept in "
                     << QDir::toNativeSeparators(
                            store.lastBackupPath().isEmpty()
                                ? settings.dataFilePath(SettingsKeys::chatSessions)
                                : store.lastBackupPath())
                     << Qt::endl;
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

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *context.err << "velm export: could not write " << QDir::toNativeSeparators(path) << ": "
                     << file.errorString() << Qt::endl;
        co_return 1;
    }
    *context.out << "Exported " << sessions.size() << (sessions.size() == 1 ? " chat" : " chats")
                 << " to " << QDir::toNativeSeparators(path) << Qt::endl;
    co_return 0;
}

} // namespace ExportCommand
