#include "cli/commandline.h"

#include "base/appidentity.h"
#include "cli/askcommand.h"
#include "cli/configcommand.h"
#include "cli/exportcommand.h"
#include "cli/importcommand.h"
#include "cli/modelscommand.h"
#include "cli/searchcommand.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QTextStream>
#include <QTimer>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace CommandLine {

namespace {

// Not a terminal command: it goes to the desktop app, which starts if it does not run yet.
// It lets desktops without a global chord bind the bar to a key of their own.
QString quickAskName()
{
    return u"quick-ask"_s;
}

bool isHelp(const QString &argument)
{
    return argument == u"help"_s || argument == u"--help"_s || argument == u"-h"_s;
}

// Answered by the terminal side, so that packaging scripts and bug reports can ask for it
// without a display.
bool isVersion(const QString &argument)
{
    return argument == u"--version"_s;
}

const Command *findCommand(const QString &name)
{
    for (const Command &command : commands()) {
        if (command.name == name)
            return &command;
    }
    return nullptr;
}

// Runs `command` and ends the event loop with its exit code.
QCoro::Task<> runToExit(Command command, QStringList arguments, CommandContext context)
{
    const int exitCode = co_await command.run(std::move(arguments), context);
    QCoreApplication::exit(exitCode);
}

} // namespace

const QList<Command> &commands()
{
    static const QList<Command> table{
        AskCommand::command(),    ModelsCommand::command(), ExportCommand::command(),
        ImportCommand::command(), SearchCommand::command(), ConfigCommand::command(),
    };
    return table;
}

bool isCommand(int argc, char **argv)
{
    if (argc < 2)
        return false;
    const QString first = QString::fromLocal8Bit(argv[1]);
    if (first == quickAskName())
        return false;
    return isHelp(first) || isVersion(first) || !first.startsWith(u'-');
}

QString usage()
{
    QString text = u"Usage: velm [<command> [options]]\n\n"
                   "Without a command, velm starts the desktop app, or shows the one that runs;\n"
                   "with --hidden it starts in the tray only.\n\nCommands:\n"_s;
    QList<QPair<QString, QString>> rows;
    for (const Command &command : commands())
        rows.append({command.name + u' ' + command.synopsis, command.summary});
    rows.append({quickAskName(), u"Open the Quick Ask bar of the desktop app"_s});
    rows.append({u"help"_s, u"Show this help"_s});
    rows.append({u"--version"_s, u"Show velm's version"_s});
    qsizetype width = 0;
    for (const auto &row : rows)
        width = std::max(width, row.first.size());
    for (const auto &[call, summary] : rows)
        text += u"  "_s + call.leftJustified(width + 2) + summary + u'\n';
    text += u"\nRun \"velm <command> --help\" for the options of a command.\n"_s;
    return text;
}

int run(int &argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(AppIdentity::applicationName);
    QCoreApplication::setApplicationVersion(QStringLiteral(VELM_VERSION));

    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList arguments = QCoreApplication::arguments();
    const QString name = arguments.value(1);
    if (isHelp(name)) {
        out << usage() << Qt::flush;
        return 0;
    }
    if (isVersion(name)) {
        out << "velm " << QCoreApplication::applicationVersion() << '\n' << Qt::flush;
        return 0;
    }
    const Command *command = findCommand(name);
    if (!command) {
        err << "velm: unknown command \"" << name << "\"\n\n" << usage() << Qt::flush;
        return 2;
    }

    QNetworkAccessManager network;
    const CommandContext context{&network, &out, &err,
                                 isatty(STDERR_FILENO) == 1
                                     && qEnvironmentVariableIsEmpty("NO_COLOR")};
    // Started from inside the event loop, so that a command that ends without waiting for
    // anything still ends the loop.
    QTimer::singleShot(0, &app, [&] { runToExit(*command, arguments.mid(2), context); });
    return app.exec();
}

} // namespace CommandLine
