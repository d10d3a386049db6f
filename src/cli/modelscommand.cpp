#include "cli/modelscommand.h"

#include "chat/settings.h"
#include "llm/localllmclient.h"

#include <QCommandLineParser>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace ModelsCommand {

namespace {

int fail(const CommandContext &context, const LocalLLMError &error)
{
    *context.err << "velm: " << error.description().value_or(error.detail()) << Qt::endl;
    return 1;
}

} // namespace

Command command()
{
    return {u"models"_s, u"[--server URL]"_s,
            u"List the model server's models; \"*\" marks the one velm answers with"_s, &run};
}

QCoro::Task<int> run(QStringList arguments, CommandContext context)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(command().summary);
    const QCommandLineOption server(u"server"_s,
                                    u"The model server, e.g. http://127.0.0.1:1234 (default: "
                                    "the address set in velm)."_s,
                                    u"URL"_s);
    const QCommandLineOption help({u"h"_s, u"help"_s}, u"Show this help."_s);
    parser.addOption(server);
    parser.addOption(help);
    const QString usage = u"Usage: velm models "_s + command().synopsis;
    if (!parser.parse(QStringList{u"velm"_s} + arguments)
        || !parser.positionalArguments().isEmpty()) {
        const QString problem = parser.errorText().isEmpty()
            ? u"unexpected argument: "_s + parser.positionalArguments().join(u' ')
            : parser.errorText();
        *context.err << "velm models: " << problem << "\n" << usage << Qt::endl;
        co_return 2;
    }
    if (parser.isSet(help)) {
        // QCommandLineParser's own text names the program, not the command.
        const QString options = parser.helpText().section(u'\n', 1);
        *context.out << usage << "\n" << options << Qt::flush;
        co_return 0;
    }

    const Settings settings;
    const QString address
        = parser.isSet(server) ? parser.value(server) : settings.lmStudioServerAddress();
    const LLMResult<LocalLLMClient> client = LocalLLMClient::fromAddress(address, context.network);
    if (!client)
        co_return fail(context, client.error());
    const LLMResult<QStringList> ids = co_await client.value().fetchModelIDs();
    if (!ids)
        co_return fail(context, ids.error());
    if (ids.value().isEmpty())
        co_return fail(context, LocalLLMError(LocalLLMError::Kind::modelUnavailable));

    const QString preferred = settings.preferredModel();
    const QString chosen = LocalLLMClient::chooseModelID(ids.value(), preferred);
    bool marked = false;
    for (const QString &id : ids.value()) {
        const bool mark = !marked && id == chosen;
        marked = marked || mark;
        *context.out << (mark ? "* " : "  ") << id << "\n";
    }
    *context.out << Qt::flush;
    if (!preferred.isEmpty() && chosen != preferred)
        *context.err << "velm: the chosen model " << preferred
                     << " isn't available on the server; velm answers with " << chosen << Qt::endl;
    co_return 0;
}

} // namespace ModelsCommand
