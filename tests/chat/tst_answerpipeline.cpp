#include "chat/answerpipeline.h"
#include "controllerfixture.h"
#include "support/awaittask.h"
#include "support/loopback.h"
#include "support/testregistry.h"

#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(FakeResponse)

namespace {

// A pipeline over the controller fixture's settings and fake services.
struct Fixture : ControllerFixture
{
    Fixture()
        : pipeline(std::make_unique<AnswerPipeline>(settings(), network()))
    {
        instant().serveAnswer({});
    }

    // What the model gets: the question alone, with the titles of the results found.
    static AnswerPipeline::Question question(const QString &text, WebSearchMode mode)
    {
        return {text, mode, [text](const QList<SearchResult> &results) {
                    QString found;
                    for (const SearchResult &result : results)
                        found += result.title + u'\n';
                    return QList<LocalLLMMessage>{{u"system"_s, found}, {u"user"_s, text}};
                }};
    }

    // Records every call of the observer, in order, as "search", "searched", "answering",
    // "piece <text>", "thought <text>", "was thought" and "thought ended".
    AnswerPipeline::Observer recorder()
    {
        AnswerPipeline::Observer observer;
        observer.searching = [this](bool on) { heard.append(on ? u"search"_s : u"searched"_s); };
        observer.answering = [this] { heard.append(u"answering"_s); };
        observer.piece = [this](const QString &piece) { heard.append(u"piece "_s + piece); };
        observer.reasoning = [this](const QString &piece) { heard.append(u"thought "_s + piece); };
        observer.answerWasThought = [this] { heard.append(u"was thought"_s); };
        observer.thoughtEnded = [this](double seconds) {
            heard.append(u"thought ended"_s);
            ended.append(seconds);
        };
        return observer;
    }

    std::optional<AnswerPipeline::Outcome> ask(const AnswerPipeline::Question &asked,
                                               const CancellationToken &token = {})
    {
        return TestSupport::awaitTask(pipeline->answer(asked, token, recorder()));
    }

    std::unique_ptr<AnswerPipeline> pipeline;
    QStringList heard;
    QList<double> ended;
};

QStringList titles(const QList<SearchResult> &results)
{
    QStringList list;
    for (const SearchResult &result : results)
        list.append(result.title);
    return list;
}

} // namespace

class TestAnswerPipeline : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void steps_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("serverUp");
        QTest::addColumn<QStringList>("heard");
        QTest::addColumn<QStringList>("sources");

        const QStringList pieces{u"piece Ada Lovelace published "_s,
                                 u"piece the first algorithm."_s};
        QTest::newRow("no search")
            << u"never"_s << true << (QStringList{u"answering"_s} + pieces) << QStringList();
        QTest::newRow("search, answer uses a hit")
            << u"always"_s << true
            << (QStringList{u"search"_s, u"searched"_s, u"answering"_s} + pieces)
            << QStringList{u"Lovelace biography"_s};
        QTest::newRow("search, model server down")
            << u"always"_s << false << QStringList{u"search"_s, u"searched"_s} << QStringList();
    }

    void steps()
    {
        QFETCH(QString, mode);
        QFETCH(bool, serverUp);
        QFETCH(QStringList, heard);
        QFETCH(QStringList, sources);
        Fixture f;
        QVERIFY(f.isValid());
        f.searxng().serveResults(
            {FakeSearxngServer::result(u"Lovelace biography"_s, u"https://history.example.org/"_s,
                                       u"Ada Lovelace published an algorithm"_s),
             FakeSearxngServer::result(u"Cooking pasta"_s, u"https://food.test/"_s,
                                       u"Boil water with salt"_s)});
        f.model().setStream({u"Ada Lovelace published "_s, u"the first algorithm."_s});
        if (!serverUp)
            f.settings().setLmStudioServerAddress(Loopback::closedAddress());

        const auto outcome
            = f.ask(Fixture::question(u"Who was Ada Lovelace?"_s, WebSearch::modeFrom(mode)));
        QVERIFY(outcome);
        QCOMPARE(f.heard, heard);
        QCOMPARE(outcome->error.has_value(), !serverUp);
        if (!serverUp)
            QCOMPARE(outcome->error->descriptionOr(QString()), u"Start LM Studio"_s);
        QCOMPARE(outcome->text,
                 serverUp ? u"Ada Lovelace published the first algorithm."_s : QString());
        QCOMPARE(titles(outcome->sources), sources);
        QCOMPARE(outcome->results.size(), mode == u"never"_s ? 0 : 2);
        // The prompt carried what the search found.
        if (serverUp && mode != u"never"_s)
            QCOMPARE(f.model().lastChatRequest()[u"messages"][0][u"content"].toString(),
                     u"Lovelace biography\nCooking pasta\n"_s);
    }

    // An address corrected while the search runs helps the answer that was searching; one
    // given for this pipeline (`velm ask --server`) wins over the setting.
    void serverAddressReadWhenTheModelIsAsked_data()
    {
        QTest::addColumn<bool>("corrected");
        QTest::newRow("setting corrected while searching") << true;
        QTest::newRow("address given instead of the setting") << false;
    }

    void serverAddressReadWhenTheModelIsAsked()
    {
        QFETCH(bool, corrected);
        Fixture f;
        QVERIFY(f.isValid());
        f.searxng().serveResultsAfter(300);
        f.model().setStream({u"Here."_s});
        f.settings().setLmStudioServerAddress(Loopback::closedAddress());
        if (corrected) {
            connect(&f.searxng(), &FakeHttpServer::requestReceived, this,
                    [&f] { f.settings().setLmStudioServerAddress(f.model().address()); });
        } else {
            f.pipeline->setServerAddress(f.model().address());
            QCOMPARE(f.pipeline->serverAddress(), f.model().address());
        }

        const auto outcome = f.ask(Fixture::question(u"Anything"_s, WebSearchMode::Always));
        QVERIFY(outcome);
        QVERIFY2(!outcome->error,
                 qPrintable(outcome->error ? outcome->error->detail() : QString()));
        QCOMPARE(outcome->text, u"Here."_s);
        QCOMPARE(f.searxng().requests().size(), 1);
    }

    // The thought reaches the observer apart from the answer, whichever way the server sends
    // it, and the answer's text never holds any of it.
    void thinking_data()
    {
        QTest::addColumn<FakeResponse>("stream");
        QTest::addColumn<QStringList>("heard");

        using T = FakeModelServer::Thinking;
        const QStringList thought{u"Six "_s, u"sevens."_s};
        const QStringList answer{u"4"_s, u"2"_s};
        const QStringList heard{u"answering"_s,     u"thought Six "_s, u"thought sevens."_s,
                                u"thought ended"_s, u"piece 4"_s,      u"piece 2"_s};
        QTest::newRow("reasoning_content")
            << FakeModelServer::thinkingStream(T::reasoningContent, thought, answer) << heard;
        QTest::newRow("reasoning")
            << FakeModelServer::thinkingStream(T::reasoning, thought, answer) << heard;
        QTest::newRow("think tags")
            << FakeModelServer::thinkingStream(T::thinkTags, thought, answer) << heard;
        QTest::newRow("only the closing tag")
            << FakeResponse::eventStream(
                   FakeModelServer::streamBody({u"Six sevens."_s, u"</think>\n\n4"_s, u"2"_s}))
            << QStringList{u"answering"_s,     u"piece Six sevens."_s, u"was thought"_s,
                           u"thought ended"_s, u"piece 4"_s,           u"piece 2"_s};
    }

    void thinking()
    {
        QFETCH(FakeResponse, stream);
        QFETCH(QStringList, heard);
        Fixture f;
        QVERIFY(f.isValid());
        f.model().setStreamResponse(stream);

        const auto outcome = f.ask(Fixture::question(u"6x7?"_s, WebSearchMode::Never));
        QVERIFY(outcome);
        QVERIFY(!outcome->error);
        QCOMPARE(f.heard, heard);
        QCOMPARE(outcome->text, u"42"_s);
        QCOMPARE(outcome->reasoning, u"Six sevens."_s);
        QCOMPARE(f.ended.size(), 1);
        QCOMPARE(outcome->thinkingSeconds, f.ended.constFirst());
    }

    // A thought cut off by an error, a stop or the end of the stream is still the thought,
    // timed, and the answer is empty.
    void thoughtCutOff_data()
    {
        QTest::addColumn<QByteArray>("tail");
        QTest::addColumn<bool>("stop");
        QTest::addColumn<bool>("failed");
        QTest::newRow("stream ends") << "data: [DONE]\n\n"_ba << false << false;
        QTest::newRow("server error")
            << "data: {\"error\":{\"message\":\"Model unloaded\"}}\n\n"_ba << false << true;
        QTest::newRow("stopped") << QByteArray() << true << true;
    }

    void thoughtCutOff()
    {
        QFETCH(QByteArray, tail);
        QFETCH(bool, stop);
        QFETCH(bool, failed);
        Fixture f;
        QVERIFY(f.isValid());
        QByteArray body = FakeModelServer::chunkLine(u"<think>Six "_s) + "\n\n"
            + FakeModelServer::chunkLine(u"sevens.\n"_s) + "\n\n" + tail;
        FakeResponse response = FakeResponse::eventStream(body);
        if (stop)
            response.endlessTail = ": still thinking\n\n";
        f.model().setStreamResponse(response);
        const CancellationToken token;
        AnswerPipeline::Observer observer = f.recorder();
        if (stop) {
            observer.reasoning = [token](const QString &piece) {
                if (piece.contains(u"sevens"))
                    token.cancel();
            };
        }

        const auto outcome = TestSupport::awaitTask(f.pipeline->answer(
            Fixture::question(u"6x7?"_s, WebSearchMode::Never), token, observer));
        QVERIFY(outcome);
        QCOMPARE(outcome->error.has_value(), failed);
        if (stop)
            QVERIFY(outcome->error->isCancelled());
        QCOMPARE(outcome->text, QString());
        QCOMPARE(outcome->reasoning, u"Six sevens."_s);
        QVERIFY(outcome->thinkingSeconds.has_value());
    }

    // A stopped answer keeps what arrived, and its owner hears nothing more.
    void nothingHeardAfterCancelling()
    {
        Fixture f;
        QVERIFY(f.isValid());
        f.model().setStreamResponse(FakeModelServer::slowStream(QStringList(50, u"w "_s), 50));
        const CancellationToken token;
        AnswerPipeline::Observer observer = f.recorder();
        observer.piece = [&f, token](const QString &piece) {
            f.heard.append(u"piece "_s + piece);
            token.cancel();
        };

        const auto outcome = TestSupport::awaitTask(f.pipeline->answer(
            Fixture::question(u"Count"_s, WebSearchMode::Never), token, observer));
        QVERIFY(outcome);
        QCOMPARE(f.heard, (QStringList{u"answering"_s, u"piece w "_s}));
        QCOMPARE(outcome->text, u"w "_s);
        QVERIFY(outcome->error && outcome->error->isCancelled());
        QVERIFY(outcome->sources.isEmpty());
    }

    // The model asked: the preferred one when the server lists it, else the automatic
    // choice, which the outcome owns up to; `velm ask --model` beats the preference.
    void modelChoice_data()
    {
        QTest::addColumn<QStringList>("served");
        QTest::addColumn<QString>("preferred");
        QTest::addColumn<QString>("override");
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("unlisted");

        const QStringList served{u"llama-3.2-3b"_s, u"qwen/qwen3-vl-8b"_s, u"gemma-3-4b"_s};
        QTest::newRow("automatic")
            << served << QString() << QString() << u"qwen/qwen3-vl-8b"_s << QString();
        QTest::newRow("preferred listed")
            << served << u"gemma-3-4b"_s << QString() << u"gemma-3-4b"_s << QString();
        QTest::newRow("preferred missing")
            << served << u"mistral-7b"_s << QString() << u"qwen/qwen3-vl-8b"_s << u"mistral-7b"_s;
        QTest::newRow("--model beats the preference")
            << served << u"gemma-3-4b"_s << u"llama-3.2-3b"_s << u"llama-3.2-3b"_s << QString();
        QTest::newRow("--model missing")
            << served << QString() << u"phi-4"_s << u"qwen/qwen3-vl-8b"_s << u"phi-4"_s;
    }

    void modelChoice()
    {
        QFETCH(QStringList, served);
        QFETCH(QString, preferred);
        QFETCH(QString, override);
        Fixture f;
        QVERIFY(f.isValid());
        f.model().setModels(served);
        f.model().setStream({u"Hi"_s});
        f.settings().setPreferredModel(preferred);
        if (!override.isEmpty())
            f.pipeline->setModel(override);

        const auto outcome = f.ask(Fixture::question(u"Hello"_s, WebSearchMode::Never));
        QVERIFY(outcome);
        QVERIFY(!outcome->error);
        QCOMPARE(outcome->text, u"Hi"_s);
        QTEST(outcome->model, "model");
        QTEST(outcome->unlistedModel, "unlisted");
        QTEST(f.model().lastChatRequest().value(u"model").toString(), "model");
    }

    // The answer's length from the server's usage chunk or llama.cpp's timings, else from the
    // pieces seen; its speed from the timings, else from the clock.
    void answerStats_data()
    {
        QTest::addColumn<int>("usage"); // FakeModelServer::Usage
        QTest::addColumn<int>("tokens");
        QTest::addColumn<bool>("approximate");
        QTest::addColumn<double>("tokensPerSecond"); // 0: measured

        QTest::newRow("usage chunk")
            << int(FakeModelServer::Usage::usageChunk) << 412 << false << 0.0;
        QTest::newRow("llama.cpp timings")
            << int(FakeModelServer::Usage::timings) << 412 << false << 38.5;
        QTest::newRow("neither: the pieces")
            << int(FakeModelServer::Usage::none) << 3 << true << 0.0;
    }

    void answerStats()
    {
        QFETCH(int, usage);
        QFETCH(double, tokensPerSecond);
        Fixture f;
        QVERIFY(f.isValid());
        f.model().setStreamWithUsage({u"One "_s, u"two "_s, u"three"_s},
                                     FakeModelServer::Usage(usage), 412, 38.5);

        const auto outcome = f.ask(Fixture::question(u"Count"_s, WebSearchMode::Never));
        QVERIFY(outcome);
        QVERIFY(!outcome->error);
        QCOMPARE(outcome->text, u"One two three"_s);
        QVERIFY(outcome->stats);
        QTEST(outcome->stats->tokens, "tokens");
        QTEST(outcome->stats->approximate, "approximate");
        QVERIFY(outcome->stats->firstTokenSeconds && *outcome->stats->firstTokenSeconds >= 0);
        QVERIFY(outcome->stats->tokensPerSecond);
        if (tokensPerSecond > 0)
            QCOMPARE(*outcome->stats->tokensPerSecond, tokensPerSecond);
        else
            QVERIFY(*outcome->stats->tokensPerSecond > 0);
        QCOMPARE(f.model().lastChatRequest().value(u"stream_options").toObject(),
                 (QJsonObject{{u"include_usage"_s, true}}));
    }

    // A server that refuses "stream_options" is asked again without it at once, and not
    // asked with it again in this run.
    void usageRefusedOnce()
    {
        Fixture f;
        QVERIFY(f.isValid());
        f.model().setStream({u"Fine"_s});
        f.model().setRejectsStreamOptions(true);

        for (int question = 0; question < 2; ++question) {
            const auto outcome = f.ask(Fixture::question(u"Hello"_s, WebSearchMode::Never));
            QVERIFY(outcome);
            QVERIFY(!outcome->error);
            QCOMPARE(outcome->text, u"Fine"_s);
            QVERIFY(outcome->stats && outcome->stats->approximate);
        }
        const QList<QJsonObject> requests = f.model().chatRequests();
        QCOMPARE(requests.size(), 3);
        QVERIFY(requests.at(0).contains(u"stream_options"));
        QVERIFY(!requests.at(1).contains(u"stream_options"));
        QVERIFY(!requests.at(2).contains(u"stream_options"));
        QCOMPARE(requests.at(1).value(u"messages"), requests.at(0).value(u"messages"));
    }

    // The temperature and the longest answer of the settings go with every answer; a title
    // keeps its own temperature and no limit.
    void generationOptions_data()
    {
        QTest::addColumn<double>("temperature"); // < 0: not set
        QTest::addColumn<int>("maxTokens"); // 0: none
        QTest::addColumn<double>("sentTemperature");

        QTest::newRow("defaults") << -1.0 << 0 << 0.7;
        QTest::newRow("set") << 0.2 << 512 << 0.2;
    }

    void generationOptions()
    {
        QFETCH(double, temperature);
        QFETCH(int, maxTokens);
        Fixture f;
        QVERIFY(f.isValid());
        f.model().setStream({u"Fine"_s});
        f.model().setCompletion(u"A title"_s);
        if (temperature >= 0)
            f.settings().setTemperature(temperature);
        f.settings().setMaxTokens(maxTokens > 0 ? std::optional<int>(maxTokens) : std::nullopt);

        QVERIFY(f.ask(Fixture::question(u"Hello"_s, WebSearchMode::Never)));
        const QJsonObject request = f.model().lastChatRequest();
        QTEST(request.value(u"temperature").toDouble(), "sentTemperature");
        QCOMPARE(request.value(u"max_tokens").toInt(), maxTokens);
        QCOMPARE(request.contains(u"max_tokens"), maxTokens > 0);

        const auto title
            = TestSupport::awaitTask(f.pipeline->modelClient().value().generateTitle(u"Hello"_s));
        QVERIFY(title && *title);
        QCOMPARE(title->value(), u"A title"_s);
        const QJsonObject titleRequest = f.model().lastChatRequest();
        QCOMPARE(titleRequest.value(u"temperature").toDouble(), 0.3);
        QVERIFY(!titleRequest.contains(u"max_tokens"));
    }
};

VELM_TEST_MAIN(TestAnswerPipeline)
#include "tst_answerpipeline.moc"
