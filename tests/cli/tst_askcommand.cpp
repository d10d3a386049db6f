#include "chat/chatstore.h"
#include "cli/askhome.h"
#include "support/fakeduckduckgoserver.h"
#include "support/fakemodelserver.h"
#include "support/fakesearxngserver.h"
#include "support/loopback.h"
#include "support/storedchats.h"
#include "support/testregistry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(FakeResponse)

namespace {

QJsonArray parisResults()
{
    return {
        FakeSearxngServer::result(u"Paris"_s, u"https://www.wikipedia.org/wiki/Paris"_s,
                                  u"Paris is the capital and largest city of France."_s),
        FakeSearxngServer::result(u"Cooking pasta"_s, u"https://food.net/pasta"_s,
                                  u"Boil water, add salt."_s),
    };
}

QList<QPair<QString, QString>> messagesOf(const QJsonObject &request)
{
    QList<QPair<QString, QString>> messages;
    for (const QJsonValue &message : request.value(u"messages").toArray())
        messages.append({message[u"role"].toString(), message[u"content"].toString()});
    return messages;
}

int systemMessageCount(const QJsonObject &request)
{
    int count = 0;
    for (const auto &[role, content] : messagesOf(request))
        count += role == u"system"_s ? 1 : 0;
    return count;
}

} // namespace

// `velm ask` end to end: the real binary against fake model and search servers.
class TestAskCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answersWithSources()
    {
        AskHome s;
        QVERIFY(s.listening);
        s.model.setStream(
            {u"Paris is the capital "_s, u"of France, as wikipedia "_s, u"explains."_s});
        s.searxng.serveResults(parisResults());

        const VelmRun run = s.home.run({u"ask"_s, u"--server"_s, s.model.address(), u"--search"_s,
                                        u"always"_s, u"  What is the capital of France?  "_s});
        QCOMPARE(run.errText(), QString());
        QCOMPARE(run.exitCode, 0);
        // The hit on food.net shares nothing with the answer and is left out.
        QCOMPARE(run.outText(),
                 u"Paris is the capital of France, as wikipedia explains.\n\n"
                 u"[1] Paris \u2014 https://www.wikipedia.org/wiki/Paris\n"_s);

        QCOMPARE(s.searxng.requests().size(), 1);
        QCOMPARE(s.searxng.requests().first().query().queryItemValue(u"q"_s, QUrl::FullyDecoded),
                 u"What is the capital of France?"_s);
        // The prompt itself is QuickAskRequest's (see its tests): both hits go to the model.
        QCOMPARE(systemMessageCount(s.model.lastChatRequest()), 2);
    }

    void searchModes_data()
    {
        QTest::addColumn<QString>("storedMode"); // empty: never set
        QTest::addColumn<QString>("option"); // empty: no --search
        QTest::addColumn<QString>("question");
        QTest::addColumn<bool>("searches");
        QTest::addColumn<int>("systemMessages");

        QTest::newRow("auto by default, a question opening")
            << QString() << QString() << u"Who is the president of France"_s << true << 2;
        QTest::newRow("--search always over a stored never")
            << u"never"_s << u"always"_s << u"explain recursion"_s << true << 2;
        QTest::newRow("--search never over a stored always")
            << u"always"_s << u"never"_s << u"what is the latest news"_s << false << 1;
    }

    void searchModes()
    {
        QFETCH(QString, storedMode);
        QFETCH(QString, option);
        QFETCH(QString, question);
        QFETCH(bool, searches);
        QFETCH(int, systemMessages);

        AskHome s;
        QVERIFY(s.listening);
        s.model.setStream({u"Fine."_s});
        s.searxng.serveResults(parisResults());
        if (!storedMode.isEmpty())
            s.home.settings()->setWebSearchMode(storedMode);

        QStringList arguments{u"ask"_s, u"--server"_s, s.model.address()};
        if (!option.isEmpty())
            arguments << u"--search"_s << option;
        const VelmRun run = s.home.run(arguments << question);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.outText(), u"Fine.\n"_s);
        QCOMPARE(s.searxng.requests().size(), searches ? 1 : 0);
        const QJsonObject request = s.model.lastChatRequest();
        QCOMPARE(systemMessageCount(request), systemMessages);
        QCOMPARE(messagesOf(request).size(), systemMessages + 1);
        // The option is for this run only.
        const auto settings = s.home.settings();
        QCOMPARE(settings->contains(u"webSearchMode"), !storedMode.isEmpty());
        if (!storedMode.isEmpty())
            QCOMPARE(settings->webSearchMode(), storedMode);
    }

    void usesTheStoredSettings()
    {
        AskHome s;
        QVERIFY(s.listening);
        s.model.setStream({u"Bonjour."_s});
        {
            const auto settings = s.home.settings();
            settings->setLmStudioServerAddress(s.model.address() + u"/"_s);
            settings->setSystemPrompt(u"Answer in French."_s);
            settings->setUserName(u" Ann "_s);
            settings->setActivePromptSuggestions(u"no_emoji"_s);
            settings->setWebSearchMode(u"never"_s);
        }
        const VelmRun run = s.home.run({u"ask"_s, u"hello"_s});
        QCOMPARE(run.errText(), QString());
        QCOMPARE(run.exitCode, 0);
        const auto messages = messagesOf(s.model.lastChatRequest());
        QCOMPARE(messages.size(), 2);
        QVERIFY(messages[0].second.startsWith(u"Answer in French.\nThe user's name is Ann."_s));
        QVERIFY(messages[0].second.contains(u"Do not use emojis"_s));
    }

    void question_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("sent");

        QTest::newRow("several words")
            << QStringList{u"what"_s, u"is"_s, u"2+2"_s} << QByteArray() << u"what is 2+2"_s;
        QTest::newRow("standard input, all of it")
            << QStringList{u"-"_s} << QByteArray("  Line one\nline tw\xc3\xb6\n\n")
            << u"Line one\nline tw\u00f6"_s;
        QTest::newRow("after --") << QStringList{u"--"_s, u"--verbose?"_s} << QByteArray()
                                  << u"--verbose?"_s;
    }

    void question()
    {
        QFETCH(QStringList, words);
        QFETCH(QByteArray, input);
        QFETCH(QString, sent);
        AskHome s;
        QVERIFY(s.listening);
        s.model.setStream({u"4"_s});
        const VelmRun run = s.home.run(s.arguments(u"never"_s, words), input);
        QCOMPARE(run.errText(), QString());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.outText(), u"4\n"_s);
        QCOMPARE(messagesOf(s.model.lastChatRequest()).last(), qMakePair(u"user"_s, sent));
    }

    void wrongUsage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");

        QTest::newRow("no question") << QStringList{u"ask"_s} << QByteArray();
        QTest::newRow("blank standard input")
            << QStringList{u"ask"_s, u"-"_s} << QByteArray("\n \t\n");
        QTest::newRow("unknown search mode")
            << QStringList{u"ask"_s, u"--search"_s, u"sometimes"_s, u"hi"_s} << QByteArray();
        QTest::newRow("unknown option")
            << QStringList{u"ask"_s, u"--frob"_s, u"hi"_s} << QByteArray();
    }

    void wrongUsage()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        AskHome s;
        QVERIFY(s.listening);
        s.home.settings()->setLmStudioServerAddress(s.model.address());
        const VelmRun run = s.home.run(arguments, input);
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(run.outText(), QString());
        QVERIFY2(run.errText().contains(u"Usage: velm ask"_s), run.err.constData());
        QCOMPARE(s.model.http().requests().size(), 0);
    }

    void failures_data()
    {
        QTest::addColumn<QString>("address"); // empty: the fake server
        QTest::addColumn<FakeResponse>("models");
        QTest::addColumn<FakeResponse>("stream");
        QTest::addColumn<QString>("message");

        const FakeResponse oneModel = FakeResponse::json(FakeModelServer::modelsBody({u"m"_s}));
        const FakeResponse answer
            = FakeResponse::eventStream(FakeModelServer::streamBody({u"never shown"_s}));
        // How each failure reads is the model client's (see its tests); here that velm says
        // it on standard error, exits 1 and saves nothing.
        QTest::newRow("server not running")
            << Loopback::closedAddress() << oneModel << answer << u"velm: Start LM Studio\n"_s;
        // No description of its own: the technical detail is shown.
        QTest::newRow("models not JSON")
            << QString() << FakeResponse::text("<html>") << answer << u"velm: unexpected reply: "_s;
        // %1 is the fake server's address.
        QTest::newRow("models list redirected")
            << QString() << FakeResponse::redirect(302, "/login?next=%2Fv1%2Fmodels") << answer
            << u"velm: The server at %1 redirected to %1/login?next=%2Fv1%2Fmodels\n"_s;
    }

    void failures()
    {
        QFETCH(QString, address);
        QFETCH(FakeResponse, models);
        QFETCH(FakeResponse, stream);
        QFETCH(QString, message);
        AskHome s;
        QVERIFY(s.listening);
        s.model.setModelsResponse(models);
        s.model.setStreamResponse(stream);
        const VelmRun run
            = s.home.run({u"ask"_s, u"--save"_s, u"--search"_s, u"never"_s, u"--server"_s,
                          address.isEmpty() ? s.model.address() : address, u"hi"_s});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.outText(), QString());
        // Not arg(): the expected redirect target holds "%2F".
        QVERIFY2(run.errText().startsWith(QString(message).replace(u"%1"_s, s.model.address())),
                 run.err.constData());
        // A failed question is not kept as a chat.
        QVERIFY(StoredChats::read(*s.home.settings()).isEmpty());
    }

    // A server that does not stream (a proxy that buffers, a server that ignores "stream")
    // still gives its answer.
    void answerAsOneJSONBody()
    {
        AskHome s;
        QVERIFY(s.listening);
        s.model.setStreamResponse(
            FakeResponse::json(FakeModelServer::completionBody(u"Paris, on the Seine."_s)));
        const VelmRun run = s.home.run(s.arguments(u"never"_s, {u"Capital?"_s}));
        QCOMPARE(run.errText(), QString());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.outText(), u"Paris, on the Seine.\n"_s);
    }

    void lineOverTheLimit()
    {
        AskHome s;
        QVERIFY(s.listening);
        const QByteArray content(16 * 1024 * 1024 + 1024, 'x');
        s.model.setStreamResponse(
            FakeResponse::eventStream("data: {\"choices\":[{\"index\":0,\"delta\":{\"content\":\""
                                      + content + "\"}}]}\n\ndata: [DONE]\n\n"));
        const VelmRun run = s.home.run(s.arguments(u"never"_s, {u"--save"_s, u"hi"_s}));
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.outText(), QString());
        QCOMPARE(run.errText(), u"velm: The model server sent a line longer than 16 MiB\n"_s);
        QVERIFY(StoredChats::read(*s.home.settings()).isEmpty());
    }

    void connectionLostMidAnswer()
    {
        AskHome s;
        QVERIFY(s.listening);
        const QByteArray body = FakeModelServer::streamBody({u"Hel"_s, u"lo there"_s});
        FakeResponse stream = FakeResponse::eventStream(body);
        // Cut inside the event that carries the second piece.
        stream.dropAfterBytes = body.indexOf(FakeModelServer::chunkLine(u"lo there"_s)) + 20;
        s.model.setStreamResponse(stream);
        const VelmRun run = s.home.run(s.arguments(u"never"_s, {u"hi"_s}));
        QCOMPARE(run.exitCode, 1);
        // What arrived stays on screen, on a line of its own, and is not passed off as the
        // whole answer.
        QCOMPARE(run.outText(), u"Hel\n"_s);
        QVERIFY2(run.errText().startsWith(u"velm: network error"_s), run.err.constData());
    }

    // Standard output carries the answer alone, so that scripts stay clean; the thought goes
    // to standard error, and only when asked for, then a blank line. --save keeps it.
    void thinking_data()
    {
        QTest::addColumn<FakeResponse>("stream");
        QTest::addColumn<bool>("show");

        using T = FakeModelServer::Thinking;
        const QStringList thought{u"Six "_s, u"sevens."_s};
        for (const auto &[name, shape] :
             {std::pair{"reasoning_content", T::reasoningContent},
              std::pair{"reasoning", T::reasoning}, std::pair{"think tags", T::thinkTags}}) {
            const FakeResponse stream = FakeModelServer::thinkingStream(shape, thought, {u"42"_s});
            QTest::addRow("%s", name) << stream << false;
            QTest::addRow("%s, shown", name) << stream << true;
        }
    }

    void thinking()
    {
        QFETCH(FakeResponse, stream);
        QFETCH(bool, show);
        AskHome s;
        QVERIFY(s.listening);
        s.model.setStreamResponse(stream);
        s.model.setCompletion(u"Sums"_s);
        QStringList rest{u"--save"_s, u"6x7?"_s};
        if (show)
            rest.prepend(u"--show-thinking"_s);

        const VelmRun run = s.home.run(s.arguments(u"never"_s, rest));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.outText(), u"42\n"_s);
        QCOMPARE(run.errText(), show ? u"Six sevens.\n\n"_s : QString());
        const auto settings = s.home.settings();
        const ChatMessage answer = StoredChats::read(*settings).constFirst().messages.constLast();
        QCOMPARE(answer.text, u"42"_s);
        QCOMPARE(answer.reasoning, u"Six sevens."_s);
        QVERIFY(answer.thinkingSeconds.has_value());
    }

    // The model asked: --model, else the one chosen in velm; --stats tells it, with the
    // answer's length and speed, on standard error after the answer.
    void modelAndStats_data()
    {
        QTest::addColumn<QString>("preferred"); // stored
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("usage"); // the server sends the usage chunk
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("err"); // a pattern

        const QString speed = uR"( \x{00b7} \d+\.\d tok/s \x{00b7} \d+\.\d s to first token\n)"_s;
        QTest::newRow("--model, --stats")
            << QString() << QStringList{u"--model"_s, u"gemma-3-4b"_s, u"--stats"_s} << true
            << u"gemma-3-4b"_s << uR"(^gemma-3-4b \x{00b7} 412 tokens)"_s + speed + u'$';
        QTest::newRow("--model beats the stored choice")
            << u"gemma-3-4b"_s << QStringList{u"--model"_s, u"llama-3.2-3b"_s} << true
            << u"llama-3.2-3b"_s << u"^$"_s;
        QTest::newRow("stored choice, no usage: approximate")
            << u"lmstudio/gemma-3-4b"_s << QStringList{u"--stats"_s} << false
            << u"lmstudio/gemma-3-4b"_s
            << uR"(^gemma-3-4b \x{00b7} \x{2248} 2 tokens)"_s + speed + u'$';
        QTest::newRow("stored choice missing: automatic, and said")
            << u"mistral-7b"_s << QStringList() << true << u"llama-3.2-3b"_s
            << uR"(^velm: mistral-7b isn't available on the server; used llama-3.2-3b\n$)"_s;
    }

    void modelAndStats()
    {
        QFETCH(QString, preferred);
        QFETCH(QStringList, options);
        QFETCH(bool, usage);
        QFETCH(QString, err);
        AskHome s;
        QVERIFY(s.listening);
        s.model.setModels({u"llama-3.2-3b"_s, u"gemma-3-4b"_s, u"lmstudio/gemma-3-4b"_s});
        s.model.setStreamWithUsage(
            {u"Hello "_s, u"there."_s},
            usage ? FakeModelServer::Usage::usageChunk : FakeModelServer::Usage::none, 412);
        s.home.settings()->setPreferredModel(preferred);

        const VelmRun run = s.home.run(s.arguments(u"never"_s, options + QStringList{u"Hi"_s}));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.outText(), u"Hello there.\n"_s);
        QVERIFY2(QRegularExpression(err).match(run.errText()).hasMatch(), run.err.constData());
        QTEST(s.model.lastChatRequest().value(u"model").toString(), "model");
    }

    void save_data()
    {
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<FakeResponse>("titleResponse");
        QTest::addColumn<bool>("keepsAnswer");
        QTest::addColumn<QString>("title"); // empty: none

        QTest::newRow("answer and title")
            << QStringList{u"It is "_s, u"Paris."_s}
            << FakeResponse::json(FakeModelServer::completionBody(u"\"Capital of France.\""_s))
            << true << u"Capital of France"_s;
        QTest::newRow("blank answer")
            << QStringList{u"  "_s, u"\n"_s}
            << FakeResponse::json(FakeModelServer::completionBody(u"Capital"_s)) << false
            << u"Capital"_s;
        QTest::newRow("title fails") << QStringList{u"It is Paris."_s}
                                     << FakeResponse::text("boom", 500) << true << QString();
        // Only quotes: empty once cleaned.
        QTest::newRow("title empty")
            << QStringList{u"It is Paris."_s}
            << FakeResponse::json(FakeModelServer::completionBody(u"\"\""_s)) << true << QString();
    }

    void save()
    {
        QFETCH(QStringList, pieces);
        QFETCH(FakeResponse, titleResponse);
        QFETCH(bool, keepsAnswer);
        QFETCH(QString, title);

        AskHome s;
        QVERIFY(s.listening);
        s.model.setStream(pieces);
        s.model.setCompletionResponse(titleResponse);
        ChatSession earlier = ChatSession::create(QDateTime::currentDateTimeUtc().addDays(-3));
        earlier.messages.append(ChatMessage(ChatMessage::Role::User, u"Older"_s));
        {
            const auto settings = s.home.settings();
            QVERIFY(StoredChats::write(*settings, {earlier}));
        }

        const QString question = u"  What is the capital of France?\n"_s;
        const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
        const VelmRun run = s.home.run(s.arguments(u"never"_s, {u"--save"_s, question}));
        QCOMPARE(run.errText(), QString());
        QCOMPARE(run.exitCode, 0);

        const auto settings = s.home.settings();
        const QList<ChatSession> sessions = StoredChats::read(*settings);
        QCOMPARE(sessions.size(), 2);
        QCOMPARE(sessions[1], earlier);
        const ChatSession &saved = sessions[0];
        QVERIFY(!saved.isArchived);
        QVERIFY(saved.updatedAt >= before);
        QVERIFY(saved.updatedAt <= QDateTime::currentDateTimeUtc());
        QCOMPARE(saved.messages.size(), keepsAnswer ? 2 : 1);
        QCOMPARE(saved.messages[0].role, ChatMessage::Role::User);
        QCOMPARE(saved.messages[0].text, question);
        if (keepsAnswer) {
            QCOMPARE(saved.messages[1].role, ChatMessage::Role::Assistant);
            QCOMPARE(saved.messages[1].text, pieces.join(QString()));
            QVERIFY(!saved.messages[1].sources);
            QCOMPARE(saved.messages[1].model, u"fake-model"_s);
            QVERIFY(saved.messages[1].stats && saved.messages[1].stats->approximate);
        }
        QCOMPARE(saved.customTitle.value_or(QString()), title);
        QCOMPARE(saved.customTitle.has_value(), !title.isEmpty());

        // The title was asked for the question as it was given.
        const QList<FakeRequest> &requests = s.model.http().requests();
        const auto titleRequest = std::find_if(requests.begin(), requests.end(), [](auto &r) {
            return r.path() == u"/v1/chat/completions"_s && !r.body.contains("\"stream\":true");
        });
        QVERIFY(titleRequest != requests.end());
        const QJsonArray sent
            = QJsonDocument::fromJson(titleRequest->body).object().value(u"messages").toArray();
        QCOMPARE(sent.last()[u"content"].toString(), question);
    }

    void interruptWhileStreaming()
    {
        AskHome s;
        QVERIFY(s.listening);
        QStringList pieces;
        for (int i = 1; i <= 40; ++i)
            pieces << u"word%1 "_s.arg(i);
        s.model.setStreamResponse(FakeModelServer::slowStream(pieces, 250));

        QProcess process;
        QByteArray out;
        connect(&process, &QProcess::readyReadStandardOutput, this,
                [&] { out += process.readAllStandardOutput(); });
        QSignalSpy finished(&process, &QProcess::finished);
        s.home.start(process, s.arguments(u"never"_s, {u"--save"_s, u"Count"_s}));
        // Pieces reach the terminal as they arrive, not at the end.
        QTRY_VERIFY_WITH_TIMEOUT(out.contains("word2 "), 20000);
        QCOMPARE(::kill(process.processId(), SIGINT), 0);
        QVERIFY(finished.wait(20000));
        out += process.readAllStandardOutput();

        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 130);
        QCOMPARE(process.readAllStandardError(), QByteArray());
        QVERIFY2(out.startsWith("word1 word2 "), out.constData());
        QVERIFY2(out.endsWith(" \n"), out.constData());
        QVERIFY(!out.contains("word40"));
        QVERIFY(StoredChats::read(*s.home.settings()).isEmpty());
    }

    // A server that sends faster than velm prints must not keep Ctrl-C waiting.
    void interruptWhileFlooded()
    {
        AskHome s;
        QVERIFY(s.listening);
        QByteArray events;
        while (events.size() < 64 * 1024)
            events += FakeModelServer::chunkLine(u"word "_s) + "\n\n";
        FakeResponse flood = FakeResponse::eventStream(events);
        flood.endlessTail = events;
        s.model.setStreamResponse(flood);

        QProcess process;
        QByteArray start;
        qint64 printed = 0;
        // What comes after the start is only counted: it never ends.
        connect(&process, &QProcess::readyReadStandardOutput, this, [&] {
            const QByteArray out = process.readAllStandardOutput();
            printed += out.size();
            if (start.size() < 100)
                start += out.left(100);
        });
        QSignalSpy finished(&process, &QProcess::finished);
        s.home.start(process, s.arguments(u"never"_s, {u"Go"_s}));
        QTRY_VERIFY_WITH_TIMEOUT(printed > 1024 * 1024, 20000);
        QCOMPARE(::kill(process.processId(), SIGINT), 0);
        // Generous: this is about ending at all, not about how fast.
        QVERIFY(finished.wait(5000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 130);
        QVERIFY2(start.startsWith("word word "), start.constData());
    }

    void interruptWhileSearching()
    {
        AskHome s;
        QVERIFY(s.listening);
        s.searxng.serveResultsAfter(60000, parisResults());

        QProcess process;
        QSignalSpy finished(&process, &QProcess::finished);
        s.home.start(process, s.arguments(u"always"_s, {u"Who is it"_s}));
        QTRY_COMPARE_WITH_TIMEOUT(s.searxng.requests().size(), 1, 20000);
        QCOMPARE(::kill(process.processId(), SIGINT), 0);
        QVERIFY(finished.wait(20000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 130);
        QCOMPARE(process.readAllStandardOutput(), QByteArray("\n"));
        // The question never went to the s.model.
        QCOMPARE(s.model.http().requestCount(u"/v1/chat/completions"_s), 0);
    }

    void controlCharactersNeverReachTheTerminal()
    {
        AskHome s;
        QVERIFY(s.listening);
        s.model.setStream({u"Clear\x1b[2J the screen\r and ring\x07 the bell, says wikipedia."_s});
        s.searxng.serveResults({FakeSearxngServer::result(
            u"Evil\x1b]0;title\x07\nnext"_s, u"https://www.wikipedia.org/\x1b[1m"_s, u"x"_s)});
        const VelmRun run = s.home.run(s.arguments(u"always"_s, {u"Who is it"_s}));
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.outText(),
                 u"Clear[2J the screen and ring the bell, says wikipedia.\n\n"
                 u"[1] Evil]0;title next \u2014 https://www.wikipedia.org/[1m\n"_s);
    }
};

VELM_TEST_MAIN(TestAskCommand)
#include "tst_askcommand.moc"
