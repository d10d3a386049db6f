#include "cli/askcommand.h"

#include "attachments/attachmentreader.h"
#include "chat/answerpipeline.h"
#include "chat/answerspeed.h"
#include "chat/chatstore.h"
#include "chat/quickaskrequest.h"
#include "chat/settings.h"
#include "cli/commandparser.h"
#include "cli/interruptwatcher.h"
#include "cli/terminaltext.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QTextStream>
#include <QTimer>

#include <optional>

using namespace Qt::StringLiterals;

namespace AskCommand {

namespace {

// What a shell reports for a process ended by Ctrl-C, 128 + SIGINT.
constexpr int interruptedExitCode = 130;
constexpr int maxAttachments = int(Attachment::maxPerQuestion);
// How long after Ctrl-C the command may take to stop its work and end on its own.
constexpr std::chrono::milliseconds interruptGrace(500);

// What reached the terminal of an answer as it streamed.
struct Printed
{
    // The last character printed, null when none was.
    QChar last;
};

QString readStandardInput()
{
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(input.readAll());
}

int fail(const CommandContext &context, const LocalLLMError &error)
{
    *context.err << "velm: "
                 << TerminalText::singleLine(error.description().value_or(error.detail()))
                 << Qt::endl;
    return 1;
}

int interrupted(const CommandContext &context)
{
    // Leaves the shell prompt on a line of its own after a cut-off answer.
    *context.out << "\n" << Qt::flush;
    return interruptedExitCode;
}

// Ends the line of an answer that did not end its own, so that what follows starts clean.
void endLine(QTextStream &out, const Printed &printed)
{
    if (!printed.last.isNull() && printed.last != u'\n')
        out << "\n";
}

// The exchange as a new chat at the top of the list, like an exchange the Quick Ask bar hands
// to the main window; its id.
ChatStoreResult<QUuid> storeExchange(Settings &settings, const QString &question,
                                     const QList<Attachment> &attachments,
                                     const AnswerPipeline::Outcome &answer)
{
    ChatSession session = ChatSession::create(QDateTime::currentDateTimeUtc());
    ChatMessage asked(ChatMessage::Role::User, question);
    asked.attachments = attachments;
    session.messages.append(asked);
    if (!answer.text.trimmed().isEmpty()) {
        ChatMessage message(ChatMessage::Role::Assistant, answer.text);
        message.reasoning = answer.reasoning;
        message.thinkingSeconds = answer.thinkingSeconds;
        message.model = answer.model;
        message.stats = answer.stats;
        session.messages.append(message);
    }
    const QUuid id = session.id;
    ChatStore store(settings);
    if (const ChatStoreResult<void> saved = store.save(session); !saved)
        return saved.error();
    return id;
}

// The desktop app may have changed the chat meanwhile: a title the user set by then stays.
void applyTitle(Settings &settings, const QUuid &id, const QString &title)
{
    ChatStore(settings).setGeneratedTitle(id, title);
}

} // namespace

Command command()
{
    return {u"ask"_s,
            u"[--server URL] [--model ID] [--search MODE] [--attach FILE]… [--save] "
            "[--show-thinking] [--stats] TEXT"_s,
            u"Ask one question, Quick Ask style (TEXT \"-\": read standard input)"_s, &run};
}

QCoro::Task<int> run(QStringList arguments, CommandContext context)
{
    CommandParser parser(command());
    const QCommandLineOption server(u"server"_s,
                                    u"The model server, e.g. http://127.0.0.1:1234 (default: "
                                    "the address set in velm)."_s,
                                    u"URL"_s);
    const QCommandLineOption model(u"model"_s,
                                   u"The model to answer with (default: the model chosen in "
                                   "velm, else the automatic choice; see velm models)."_s,
                                   u"ID"_s);
    const QCommandLineOption search(u"search"_s,
                                    u"Look the question up on the web first: auto, always or "
                                    "never (default: the mode set in velm)."_s,
                                    u"MODE"_s);
    const QCommandLineOption attach(
        u"attach"_s,
        u"Attach a file: an image for a vision model, or a document (text, Markdown, code, CSV, "
        "JSON, HTML, PDF) as text. Up to %1 times."_s.arg(maxAttachments),
        u"FILE"_s);
    const QCommandLineOption save(
        u"save"_s, u"Keep the question and the answer as a new chat in velm, with a title."_s);
    const QCommandLineOption showThinking(
        u"show-thinking"_s,
        u"Write a thinking model's reasoning to standard error as it streams."_s);
    const QCommandLineOption stats(
        u"stats"_s, u"After the answer, write its model, length and speed to standard error."_s);
    parser.addOption(server);
    parser.addOption(model);
    parser.addOption(search);
    parser.addOption(attach);
    parser.addOption(save);
    parser.addOption(showThinking);
    parser.addOption(stats);
    if (const std::optional<int> exitCode = parser.parse(arguments, context, 1, -1))
        co_return *exitCode;

    Settings settings;
    QString mode = settings.webSearchMode();
    if (parser.isSet(search)) {
        mode = parser.value(search);
        if (mode != u"auto"_s && mode != u"always"_s && mode != u"never"_s)
            co_return parser.usageError(context, u"--search takes auto, always or never"_s);
    }
    const QStringList words = parser.positionalArguments();
    const QString question = words == QStringList{u"-"_s} ? readStandardInput() : words.join(u' ');
    const QString trimmed = question.trimmed();
    if (trimmed.isEmpty())
        co_return parser.usageError(context, u"the question is empty"_s);
    // Every file is read and checked before anything is sent.
    const QStringList files = parser.values(attach);
    if (files.size() > maxAttachments)
        co_return parser.usageError(context,
                                    u"at most %1 files can be attached"_s.arg(maxAttachments));
    QList<Attachment> attachments;
    for (const QString &file : files) {
        Result<Attachment, QString> read = AttachmentReader::read(file);
        if (!read) {
            *context.err << "velm ask: " << TerminalText::singleLine(read.error()) << Qt::endl;
            co_return 2;
        }
        attachments.append(std::move(read).value());
    }
    AnswerPipeline pipeline(settings, *context.network);
    if (parser.isSet(server))
        pipeline.setServerAddress(parser.value(server));
    if (parser.isSet(model)) {
        if (parser.value(model).trimmed().isEmpty())
            co_return parser.usageError(context, u"--model takes a model id"_s);
        pipeline.setModel(parser.value(model).trimmed());
    }

    CancellationToken token;
    InterruptWatcher watcher;
    QObject::connect(&watcher, &InterruptWatcher::interrupted, &watcher,
                     [token] { token.cancel(); });
    // Every step stops at once when cancelled; this is for whatever does not.
    watcher.setDeadline(interruptGrace, interruptedExitCode);

    QuickAskRequest request;
    request.systemPrompt = settings.systemPrompt();
    request.userName = settings.userName();
    request.activePromptSuggestions = settings.activePromptSuggestions();
    request.question = question;
    request.attachments = attachments;
    request.attachmentTextLimit = settings.attachmentTextLimit();
    AnswerPipeline::Question asked{trimmed, WebSearch::modeFrom(mode),
                                   [request](const QList<SearchResult> &results) {
                                       QuickAskRequest withResults = request;
                                       withResults.searchResults = results;
                                       return withResults.messages();
                                   }};

    // The pieces that arrived in one read go to the terminal together, once the event loop
    // is back: a write for each piece costs more than the rest of the work when a fast
    // server sends many, and to the eye they appear at the same moment.
    QTextStream *out = context.out;
    QTimer flush;
    flush.setSingleShot(true);
    flush.setInterval(0);
    QObject::connect(&flush, &QTimer::timeout, &flush, [out] { out->flush(); });
    Printed printed;
    AnswerPipeline::Observer observer;
    observer.piece = [&printed, &flush, out](const QString &piece) {
        const QString text = TerminalText::printable(piece);
        if (text.isEmpty())
            return;
        *out << text;
        printed.last = text.back();
        if (!flush.isActive())
            flush.start();
    };
    // The thought goes to standard error, dimmed on a terminal, and a blank line ends it, so
    // that scripts reading the answer never see it.
    QTextStream *err = context.err;
    Printed thought;
    const auto endThought = [&thought, err, dim = context.errIsColourTerminal] {
        if (thought.last.isNull())
            return;
        if (dim)
            *err << "\x1b[0m";
        endLine(*err, thought);
        *err << "\n" << Qt::flush;
        thought = {};
    };
    if (parser.isSet(showThinking)) {
        observer.reasoning
            = [&thought, err, dim = context.errIsColourTerminal](const QString &piece) {
                  const QString text = TerminalText::printable(piece);
                  if (text.isEmpty())
                      return;
                  if (thought.last.isNull() && dim)
                      *err << "\x1b[2m";
                  *err << text << Qt::flush;
                  thought.last = text.back();
              };
        observer.thoughtEnded = [&endThought](double) { endThought(); };
    }
    // What was printed as the answer was the thought after all (a server that sends only the
    // thought's end tag): it cannot be taken back, but the answer starts on a line of its own.
    observer.answerWasThought = [&printed, out] {
        endLine(*out, printed);
        printed = {};
    };
    auto answering = pipeline.answer(std::move(asked), token, std::move(observer));
    const AnswerPipeline::Outcome answer = co_await std::move(answering);
    endThought();
    out->flush();
    if (token.isCancelled() || (answer.error && answer.error->isCancelled()))
        co_return interrupted(context);
    endLine(*out, printed);
    if (answer.error) {
        *out << Qt::flush;
        co_return fail(context, *answer.error);
    }

    if (parser.isSet(stats) && (answer.stats || !answer.model.isEmpty()))
        *err << TerminalText::singleLine(AnswerSpeed::caption(answer.model, answer.stats))
             << Qt::endl;
    if (!answer.unlistedModel.isEmpty())
        *err << "velm: " << TerminalText::singleLine(answer.unlistedModel)
             << " isn't available on the server; used " << TerminalText::singleLine(answer.model)
             << Qt::endl;

    if (!answer.sources.isEmpty()) {
        *out << "\n";
        for (qsizetype i = 0; i < answer.sources.size(); ++i) {
            const SearchResult &source = answer.sources.at(i);
            *out << "[" << (i + 1) << "] " << TerminalText::singleLine(source.title)
                 << u" \u2014 "_s << TerminalText::singleLine(source.url) << "\n";
        }
    }
    *out << Qt::flush;

    if (!parser.isSet(save))
        co_return 0;
    const ChatStoreResult<QUuid> id = storeExchange(settings, question, attachments, answer);
    if (!id) {
        *context.err << "velm: " << TerminalText::singleLine(id.error().message()) << Qt::endl;
        co_return 1;
    }
    const LLMResult<LocalLLMClient> client = pipeline.modelClient();
    if (!client)
        co_return 0;
    auto titling = client.value().generateTitle(question, token);
    const LLMResult<QString> title = co_await std::move(titling);
    if (token.isCancelled())
        co_return interrupted(context);
    // Without a title the chat is named after its question, as when titling fails in the app.
    if (title && !title.value().isEmpty())
        applyTitle(settings, id.value(), title.value());
    co_return 0;
}

} // namespace AskCommand
