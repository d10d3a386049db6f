#include "llm/localllmclient.h"
#include "support/awaittask.h"
#include "support/fakemodelserver.h"
#include "support/testdata.h"
#include "support/testregistry.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using TestSupport::awaitTask;

Q_DECLARE_METATYPE(FakeResponse)

namespace {

// The text pieces of tests/data/llama-server/chat_stream.sse, in order, read with
// QJsonDocument rather than the client's own decoder.
QStringList capturedPieces()
{
    QStringList pieces;
    for (const QByteArray &line : TestData::read(u"llama-server/chat_stream.sse"_s).split('\n')) {
        const QJsonObject chunk = QJsonDocument::fromJson(line.mid(6)).object();
        const QJsonValue content = chunk[u"choices"][0][u"delta"][u"content"];
        if (line.startsWith("data: ") && !content.toString().isEmpty())
            pieces.append(content.toString());
    }
    return pieces;
}

// Everything a consumer saw of one stream.
struct StreamRecord
{
    QStringList pieces;
    int finishedCount = 0;
    QList<LocalLLMError> errors;
    std::optional<LLMResult<void>> result;
};

QByteArray sse(const QByteArrayList &lines, const QByteArray &terminator = "\n")
{
    QByteArray body;
    for (const QByteArray &line : lines)
        body += line + terminator;
    return body;
}

QByteArray piece(const QString &text)
{
    return FakeModelServer::chunkLine(text);
}

FakeResponse streamed(const QByteArray &body)
{
    return FakeResponse::eventStream(body);
}

} // namespace

// Streamed chat completions end to end, against a fake server that cuts the body into reads
// the way real servers and networks do.
class TestChatStream : public QObject
{
    Q_OBJECT

private:
    QNetworkAccessManager m_network;
    std::unique_ptr<FakeModelServer> m_server; // a fresh one for each test and row

    FakeModelServer &server() { return *m_server; }

    // Starts a streamed answer to "Hi"; null, with the reason in `error`, if it could not.
    std::unique_ptr<ChatStream> start(CancellationToken token = {}, LocalLLMError *error = nullptr)
    {
        const LLMResult<LocalLLMClient> client
            = LocalLLMClient::fromAddress(server().address(), &m_network);
        auto started = awaitTask(client.value().streamChat({{u"user"_s, u"Hi"_s}}, token));
        if (started && *started)
            return std::move(*started).value();
        if (error)
            *error = started ? started->error() : LocalLLMError();
        return nullptr;
    }

    // Streams one answer from the server and records what the consumer saw until the end.
    StreamRecord stream()
    {
        StreamRecord record;
        LocalLLMError startError;
        const std::unique_ptr<ChatStream> stream = start({}, &startError);
        if (!stream) {
            record.errors.append(startError);
            return record;
        }
        connect(stream.get(), &ChatStream::pieceReceived, this,
                [&](const QString &text) { record.pieces.append(text); });
        connect(stream.get(), &ChatStream::finished, this, [&] { ++record.finishedCount; });
        connect(stream.get(), &ChatStream::failed, this,
                [&](const LocalLLMError &error) { record.errors.append(error); });
        record.result = awaitTask(stream->result(), 20000);
        // Nothing may arrive after the end.
        QTest::qWait(50);
        return record;
    }

private Q_SLOTS:
    void initTestCase() { qRegisterMetaType<LocalLLMError>(); }
    void init()
    {
        m_server = std::make_unique<FakeModelServer>();
        QVERIFY(m_server->listen());
    }

    // How lines and events are read is tested with the reader and the decoder; these are
    // the cases the network adds.
    void lines_data()
    {
        QTest::addColumn<FakeResponse>("response");
        QTest::addColumn<QStringList>("pieces");

        const QByteArray roleOnly = R"(data: {"choices":[{"delta":{"role":"assistant"}}]})";
        QTest::newRow("role, Hel, comment, lo, DONE, more")
            << streamed(sse({roleOnly, piece(u"Hel"_s), ": keep-alive", piece(u"lo"_s),
                             "data: [DONE]", piece(u"late"_s)}))
            << QStringList{u"Hel"_s, u"lo"_s};

        FakeResponse oneWrite
            = FakeResponse::text(sse({piece(u"a"_s), piece(u"b"_s)}), 200, "text/event-stream");
        QTest::newRow("two events in one read") << oneWrite << QStringList{u"a"_s, u"b"_s};

        QByteArrayList flood(20000, ": ping");
        flood.append(piece(u"first"_s));
        QTest::newRow("comment flood first") << streamed(sse(flood)) << QStringList{u"first"_s};

        const QString multibyte = u"\u00e9\u4f60\U0001F600"_s;
        const QByteArray body = sse({piece(multibyte)});
        FakeResponse insideCharacter = streamed(body);
        // Inside the four bytes of the emoji, with time for the client to read each part.
        insideCharacter.splitPoints = {body.indexOf("\xF0\x9F") + 2};
        insideCharacter.delayBetweenPiecesMs = 30;
        QTest::newRow("split inside a character") << insideCharacter << QStringList{multibyte};

        FakeResponse closeDelimited = streamed(sse({piece(u"a"_s)}));
        closeDelimited.framing = FakeResponse::Framing::CloseDelimited;
        QTest::newRow("body ends with the connection") << closeDelimited << QStringList{u"a"_s};

        QTest::newRow("only DONE: a blank answer")
            << streamed(sse({"data: [DONE]", ""})) << QStringList();
        // Without a type that says what it is, the first line does.
        FakeResponse untyped = FakeResponse::text(sse({"", ": hello", piece(u"a"_s)}));
        untyped.headers.clear();
        QTest::newRow("events without a Content-Type") << untyped << QStringList{u"a"_s};
        QTest::newRow("events as text/plain")
            << FakeResponse::text(sse({piece(u"a"_s), "data: [DONE]"})) << QStringList{u"a"_s};
        // A server (or a proxy in between) that does not stream.
        QTest::newRow("one JSON completion")
            << FakeResponse::json(FakeModelServer::completionBody(u"Whole answer"_s))
            << QStringList{u"Whole answer"_s};
        QTest::newRow("one JSON completion without text")
            << FakeResponse::json(FakeModelServer::completionBody(QString())) << QStringList();
        FakeResponse untypedJson
            = FakeResponse::text("\n" + FakeModelServer::completionBody(u"Whole"_s));
        untypedJson.headers.clear();
        QTest::newRow("JSON without a Content-Type") << untypedJson << QStringList{u"Whole"_s};
    }

    void lines()
    {
        QFETCH(FakeResponse, response);
        QFETCH(QStringList, pieces);
        server().setStreamResponse(response);
        const StreamRecord record = stream();
        QCOMPARE(record.errors, QList<LocalLLMError>());
        QCOMPARE(record.pieces, pieces);
        QCOMPARE(record.finishedCount, 1);
        QVERIFY(record.result && record.result->ok());
    }

    void failures_data()
    {
        QTest::addColumn<FakeResponse>("response");
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<LocalLLMError::Kind>("kind");
        QTest::addColumn<QString>("description");

        using K = LocalLLMError::Kind;
        QTest::newRow("error object mid-stream") << streamed(sse(
            {piece(u"a"_s),
             R"(data: {"error":{"code":500,"message":"Context size exceeded","type":"server_error"}})",
             piece(u"b"_s)})) << QStringList{u"a"_s}
                                                 << K::serverMessage << u"Context size exceeded"_s;
        // A refusal says why in its body: the server's own words are told.
        QTest::newRow("400 with JSON body")
            << FakeResponse::json(R"({"error":{"message":"bad model"}})", 400) << QStringList()
            << K::serverMessage << u"bad model"_s;
        QTest::newRow("404 with a page")
            << FakeResponse::json("<html>Not Found</html>", 404) << QStringList() << K::badResponse
            << u"LM Studio did not respond"_s;
        FakeResponse serverError = streamed(sse({piece(u"never"_s)}));
        serverError.status = 500;
        QTest::newRow("500 as an event stream")
            << serverError << QStringList() << K::badResponse << u"LM Studio did not respond"_s;

        const QByteArray body = sse({piece(u"a"_s), "", piece(u"b"_s), "", piece(u"c"_s), ""});
        const qsizetype third = body.lastIndexOf("data: ");
        FakeResponse droppedWithLength = FakeResponse::text(body, 200, "text/event-stream");
        droppedWithLength.splitPoints = {third};
        droppedWithLength.delayBetweenPiecesMs = 30;
        droppedWithLength.dropAfterBytes = third + 10;
        QTest::newRow("connection dropped before Content-Length")
            << droppedWithLength << QStringList{u"a"_s, u"b"_s} << K::transport << QString();

        // The line in flight is lost with the connection, even without a terminator.
        FakeResponse droppedInLine = streamed(body);
        droppedInLine.dropAfterBytes = body.size() - 3;
        QTest::newRow("connection dropped inside the last line")
            << droppedInLine << QStringList{u"a"_s, u"b"_s} << K::transport << QString();

        // Something else on the port; %1 is the fake server's address.
        const QString notModelServer = u"The server at %1 did not answer like a model server"_s;
        const QByteArray page = "<!DOCTYPE html>\n<html><head><title>Log in</title></head>"
                                "<body><form method=\"post\"></form></body></html>\n";
        QTest::newRow("page") << FakeResponse::text(page, 200, "text/html; charset=UTF-8")
                              << QStringList() << K::notModelServer << notModelServer;
        FakeResponse untypedPage = FakeResponse::text("\r\n\r\n" + page);
        untypedPage.headers.clear();
        QTest::newRow("page without a Content-Type")
            << untypedPage << QStringList() << K::notModelServer << notModelServer;
        QTest::newRow("page called an event stream")
            << FakeResponse::text(page, 200, "text/event-stream") << QStringList()
            << K::notModelServer << notModelServer;
        QTest::newRow("events of another service")
            << streamed(sse({"event: status", R"(data: {"type":"ping","ok":true})", ""}))
            << QStringList() << K::notModelServer << notModelServer;
        QTest::newRow("empty body") << FakeResponse::text({}, 200, "text/event-stream")
                                    << QStringList() << K::notModelServer << notModelServer;
        QTest::newRow("JSON that is no completion")
            << FakeResponse::json(R"({"status":"ok","version":"2.4.1"})") << QStringList()
            << K::notModelServer << notModelServer;
        QTest::newRow("error object instead of a stream")
            << FakeResponse::json(R"({"error":{"message":"Model unloaded","code":404}})")
            << QStringList() << K::serverMessage << u"Model unloaded"_s;

        QTest::newRow("302 to a login page")
            << FakeResponse::redirect(302, "/login?next=%2Fv1") << QStringList() << K::redirected
            << u"The server at %1 redirected to %1/login?next=%2Fv1"_s;
        QTest::newRow("307 to another server")
            << FakeResponse::redirect(307, "http://10.0.0.5:1234/v1/chat/completions")
            << QStringList() << K::redirected
            << u"The server at %1 redirected to http://10.0.0.5:1234/v1/chat/completions"_s;
    }

    void failures()
    {
        QFETCH(FakeResponse, response);
        QFETCH(QStringList, pieces);
        QFETCH(LocalLLMError::Kind, kind);
        QFETCH(QString, description);
        server().setStreamResponse(response);
        const StreamRecord record = stream();
        QCOMPARE(record.pieces, pieces);
        QCOMPARE(record.finishedCount, 0);
        QCOMPARE(record.errors.size(), 1);
        QCOMPARE(record.errors.first().kind(), kind);
        // Not arg(): some expected texts hold "%2F".
        if (!description.isEmpty())
            QCOMPARE(record.errors.first().description(),
                     QString(description).replace(u"%1"_s, server().address()));
        QVERIFY(record.result && !record.result->ok());
        QCOMPARE(record.result->error(), record.errors.first());
    }

    void lineLimit_data()
    {
        QTest::addColumn<FakeResponse>("response");
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<bool>("refused");

        // Lines of exactly the limit and one byte more.
        constexpr qsizetype limit = 1024;
        const QByteArray head = "data: {\"choices\":[{\"delta\":{\"content\":\"";
        const QByteArray tail = "\"}}]}";
        const auto lineOf = [&](qsizetype size) {
            return head + QByteArray(size - head.size() - tail.size(), 'x') + tail;
        };
        const QString text(limit - head.size() - tail.size(), u'x');
        QTest::newRow("at the limit")
            << streamed(sse({lineOf(limit), "", "data: [DONE]", ""})) << QStringList{text} << false;
        QTest::newRow("over the limit")
            << streamed(sse({piece(u"a"_s), "", lineOf(limit + 1), "", "data: [DONE]", ""}))
            << QStringList{u"a"_s} << true;
        // Refused long before it would end, if it ended: the stream ends all the same.
        FakeResponse endless = streamed(sse({piece(u"a"_s), ""}) + head);
        endless.endlessTail = QByteArray(64 * 1024, 'x');
        QTest::newRow("line without end") << endless << QStringList{u"a"_s} << true;
        FakeResponse bigJson
            = FakeResponse::json(FakeModelServer::completionBody(QString(limit, u'x')));
        QTest::newRow("JSON body over the limit") << bigJson << QStringList() << true;
    }

    // The limit is the stream's; the default one is checked end to end with `velm ask`.
    void lineLimit()
    {
        QFETCH(FakeResponse, response);
        QFETCH(QStringList, pieces);
        QFETCH(bool, refused);
        server().setStreamResponse(response);
        QNetworkRequest request(server().http().url(u"/v1/chat/completions"_s));
        request.setHeader(QNetworkRequest::ContentTypeHeader, u"application/json"_s);
        ChatStream stream(m_network.post(request, R"({"stream":true})"), {}, 1024);
        QStringList received;
        connect(&stream, &ChatStream::pieceReceived, this,
                [&](const QString &text) { received.append(text); });
        const auto result = awaitTask(stream.result());
        QVERIFY(result);
        QCOMPARE(received, pieces);
        QCOMPARE(result->ok(), !refused);
        if (refused) {
            QCOMPARE(result->error().kind(), LocalLLMError::Kind::lineTooLong);
            QCOMPARE(result->error().description(),
                     u"The model server sent a line longer than 1 KiB"_s);
        }
    }

    void capture_data()
    {
        QTest::addColumn<int>("pieceSize"); // 0: the reads as captured
        QTest::newRow("stream") << 0;
        QTest::newRow("stream, 7-byte reads") << 7;
    }

    void capture()
    {
        QFETCH(int, pieceSize);
        server().setModelsResponse(
            FakeResponse::fromCapture(TestData::read(u"llama-server/models.headers"_s),
                                      TestData::read(u"llama-server/models.json"_s)));
        FakeResponse response
            = FakeResponse::fromCapture(TestData::read(u"llama-server/chat_stream.headers"_s),
                                        TestData::read(u"llama-server/chat_stream.sse"_s));
        if (pieceSize > 0) {
            response.splitPoints.clear();
            response.pieceSize = pieceSize;
        }
        server().setStreamResponse(response);
        const StreamRecord record = stream();
        QCOMPARE(record.errors, QList<LocalLLMError>());
        QCOMPARE(record.pieces, capturedPieces());
        QCOMPARE(record.pieces.size(), 33);
        QCOMPARE(record.finishedCount, 1);
        // The model of the capture was asked for.
        QCOMPARE(server().lastChatRequest().value(u"model").toString(), u"/tmp/peers/tiny.gguf"_s);
    }

    void cancelMidStream()
    {
        QStringList all;
        for (int i = 0; i < 50; ++i)
            all.append(u"p%1 "_s.arg(i));
        FakeResponse slow = FakeResponse::eventStream(FakeModelServer::streamBody(all));
        slow.delayBetweenPiecesMs = 40;
        server().setStreamResponse(slow);

        CancellationToken token;
        const std::unique_ptr<ChatStream> stream = start(token);
        QVERIFY(stream);
        QStringList pieces;
        int ends = 0;
        connect(stream.get(), &ChatStream::pieceReceived, this, [&](const QString &text) {
            pieces.append(text);
            if (pieces.size() == 3)
                token.cancel(); // as a stop button pressed between two pieces
        });
        connect(stream.get(), &ChatStream::finished, this, [&] { ++ends; });
        connect(stream.get(), &ChatStream::failed, this, [&] { ++ends; });
        const auto result = awaitTask(stream->result());
        QVERIFY(result && !result->ok());
        QVERIFY(result->error().isCancelled());
        QCOMPARE(stream->state(), ChatStream::State::cancelled);

        const int connection = server().http().requests().last().connection;
        QTRY_VERIFY_WITH_TIMEOUT(!server().http().isConnectionOpen(connection), 5000);
        QTest::qWait(200);
        QCOMPARE(pieces, all.mid(0, 3));
        QCOMPARE(ends, 0);
    }

    void deleteMidStream()
    {
        FakeResponse slow = FakeResponse::eventStream(
            FakeModelServer::streamBody({u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s}));
        slow.delayBetweenPiecesMs = 40;
        server().setStreamResponse(slow);

        std::unique_ptr<ChatStream> stream = start();
        QVERIFY(stream);
        auto waiter = std::make_shared<std::optional<LLMResult<void>>>();
        [](QCoro::Task<LLMResult<void>> task, auto out) -> QCoro::Task<> {
            out->emplace(co_await std::move(task));
        }(stream->result(), waiter);
        QStringList pieces;
        connect(stream.get(), &ChatStream::pieceReceived, this, [&](const QString &text) {
            pieces.append(text);
            // The consumer drops the stream from inside its own signal.
            if (pieces.size() == 2)
                stream.reset();
        });
        QTRY_VERIFY_WITH_TIMEOUT(waiter->has_value(), 5000);
        QVERIFY((*waiter)->error().isCancelled());
        const int connection = server().http().requests().last().connection;
        QTRY_VERIFY_WITH_TIMEOUT(!server().http().isConnectionOpen(connection), 5000);
        QCOMPARE(pieces, (QStringList{u"a"_s, u"b"_s}));
    }

    void resultAfterTheEnd()
    {
        server().setStream({u"x"_s});
        const std::unique_ptr<ChatStream> stream = start();
        QVERIFY(stream);
        QSignalSpy finished(stream.get(), &ChatStream::finished);
        QVERIFY(finished.wait(5000));
        QCOMPARE(stream->state(), ChatStream::State::finished);
        // Awaiting a stream that has already ended returns at once with its outcome.
        const auto result = awaitTask(stream->result());
        QVERIFY(result && result->ok());
    }

    void cancelledBeforeStart()
    {
        CancellationToken token;
        token.cancel();
        LocalLLMError error;
        QVERIFY(!start(token, &error));
        QVERIFY(error.isCancelled());
        QCOMPARE(server().http().requestCount(u"/v1/chat/completions"_s), 0);
    }
};

VELM_TEST_MAIN(TestChatStream)
#include "tst_chatstream.moc"
