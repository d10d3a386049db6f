#include "chat/answerpipeline.h"
#include "controllerfixture.h"
#include "support/awaittask.h"
#include "support/loopback.h"
#include "support/testregistry.h"

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
};

VELM_TEST_MAIN(TestAnswerPipeline)
#include "tst_answerpipeline.moc"
