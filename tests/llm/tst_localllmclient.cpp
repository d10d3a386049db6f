#include "base/endpointprobe.h"
#include "llm/localllmclient.h"
#include "support/awaittask.h"
#include "support/fakemodelserver.h"
#include "support/loopback.h"
#include "support/testdata.h"
#include "support/testregistry.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QTcpServer>
#include <QTest>

using namespace Qt::StringLiterals;
using TestSupport::awaitTask;

Q_DECLARE_METATYPE(FakeResponse)

// Model list, model choice, non-streamed completion and title generation against a fake
// server; the reachability probe against open and closed loopback ports.
class TestLocalLLMClient : public QObject
{
    Q_OBJECT

private:
    QNetworkAccessManager m_network;
    std::unique_ptr<FakeModelServer> m_server; // a fresh one for each test and row

    FakeModelServer &server() { return *m_server; }
    LocalLLMClient clientFor(const QString &address)
    {
        return LocalLLMClient::fromAddress(address, &m_network).value();
    }
    LocalLLMClient client() { return clientFor(m_server->address()); }

private Q_SLOTS:
    void init()
    {
        m_server = std::make_unique<FakeModelServer>();
        QVERIFY(m_server->listen());
    }

    void probe_data()
    {
        QTest::addColumn<QString>("url"); // %1: an open port, %2: a closed one
        QTest::addColumn<bool>("reachable");

        QTest::newRow("open") << u"http://127.0.0.1:%1/v1/models"_s << true;
        QTest::newRow("closed") << u"http://127.0.0.1:%2/v1/models"_s << false;
        QTest::newRow("closed, ::1") << u"http://[::1]:%2/v1/models"_s << false;
        QTest::newRow("other scheme without port") << u"ftp://127.0.0.1/v1"_s << false;
        QTest::newRow("other scheme with port") << u"ftp://127.0.0.1:%1/v1"_s << true;
        // Nothing listens there; only skipping the probe lets these pass.
        QTest::newRow("other loopback address not probed")
            << u"http://127.0.0.2:%2/v1/models"_s << true;
        QTest::newRow("local network not probed") << u"http://192.0.2.1:9/v1"_s << true;
        QTest::newRow("unknown host not probed") << u"http://nowhere.invalid/v1"_s << true;
    }

    void probe()
    {
        QFETCH(QString, url);
        QFETCH(bool, reachable);
        QTcpServer open;
        QVERIFY(open.listen(QHostAddress::LocalHost, 0));
        const QUrl target(QString(url)
                              .replace(u"%1"_s, QString::number(open.serverPort()))
                              .replace(u"%2"_s, QString::number(Loopback::closedPort())));
        const std::optional<bool> answer = awaitTask(probeEndpoint(target, 250));
        QVERIFY(answer.has_value());
        QCOMPARE(*answer, reachable);
    }

    void modelFailures_data()
    {
        QTest::addColumn<FakeResponse>("response");
        QTest::addColumn<LocalLLMError::Kind>("kind");

        using K = LocalLLMError::Kind;
        QTest::newRow("503 loading model") << FakeResponse::json(
            R"({"error":{"message":"Loading model","type":"unavailable_error"}})", 503)
                                           << K::badResponse;
        QTest::newRow("empty list")
            << FakeResponse::json(R"({"object":"list","data":[]})") << K::modelUnavailable;
        QTest::newRow("not JSON") << FakeResponse::text("<html></html>") << K::decoding;
        FakeResponse dropped = FakeResponse::json(FakeModelServer::modelsBody({u"m"_s}));
        dropped.dropAfterBytes = 5;
        QTest::newRow("connection dropped") << dropped << K::transport;
        // Not followed: the list of another server would pass for this one's.
        QTest::newRow("redirected") << FakeResponse::redirect(302, "/login") << K::redirected;
        QTest::newRow("web page") << FakeResponse::text("<!DOCTYPE html><html></html>", 200,
                                                        "text/html")
                                  << K::notModelServer;
    }

    void modelFailures()
    {
        QFETCH(FakeResponse, response);
        QFETCH(LocalLLMError::Kind, kind);
        server().setModelsResponse(response);
        const LocalLLMClient llm = client();
        const auto model = awaitTask(llm.resolveModelID());
        QVERIFY(model && !model->ok());
        QCOMPARE(model->error().kind(), kind);
        // A failed resolution fails a streamed chat and a title the same way, before sending.
        const auto stream = awaitTask(llm.streamChat({{u"user"_s, u"Hi"_s}}));
        QVERIFY(stream && !stream->ok());
        QCOMPARE(stream->error().kind(), kind);
        const auto title = awaitTask(llm.generateTitle(u"Hi"_s));
        QVERIFY(title && !title->ok());
        QCOMPARE(title->error().kind(), kind);
        QCOMPARE(server().http().requestCount(u"/v1/chat/completions"_s), 0);
    }

    void serverNotRunning()
    {
        const LocalLLMClient client = clientFor(Loopback::closedAddress());
        const auto ids = awaitTask(client.fetchModelIDs());
        QVERIFY(ids && !ids->ok());
        QCOMPARE(ids->error().kind(), LocalLLMError::Kind::serverUnavailable);
        QCOMPARE(ids->error().description(), u"Start LM Studio"_s);
        const auto stream = awaitTask(client.streamChat({{u"user"_s, u"Hi"_s}}));
        QVERIFY(stream && !stream->ok());
        QCOMPARE(stream->error().description(), u"Start LM Studio"_s);
    }

    void streamRequest()
    {
        server().setModels({u"llama"_s, u"Qwen3-VL-8B"_s});
        server().setStream({u"ok"_s});
        const QList<LocalLLMMessage> messages{{u"system"_s, u"Be brief."_s},
                                              {u"user"_s, u"Hi"_s},
                                              {u"assistant"_s, u"Hello"_s},
                                              {u"user"_s, u"Again \u00e9"_s}};
        auto started = awaitTask(client().streamChat(messages));
        QVERIFY(started && started->ok());
        std::unique_ptr<ChatStream> stream = std::move(*started).value();
        QVERIFY(awaitTask(stream->result()).value_or(LocalLLMError()).ok());

        // The model is resolved first, from the list in the server's order.
        const FakeRequest list = server().http().requests().first();
        QCOMPARE(list.method, "GET"_ba);
        QCOMPARE(list.path(), u"/v1/models"_s);
        const FakeRequest request = server().http().requests().last();
        QCOMPARE(request.method, "POST"_ba);
        QCOMPARE(request.path(), u"/v1/chat/completions"_s);
        QCOMPARE(request.headers.value("content-type"), "application/json"_ba);
        const QJsonObject body = server().lastChatRequest();
        QCOMPARE(body.value(u"model").toString(), u"Qwen3-VL-8B"_s);
        QCOMPARE(body.value(u"temperature").toDouble(), 0.7);
        QCOMPARE(body.value(u"stream").toBool(), true);
        QCOMPARE(body.value(u"stream_options").toObject(),
                 (QJsonObject{{u"include_usage"_s, true}}));
        QCOMPARE(body.keys().size(), 5);
        const QJsonArray wire = body.value(u"messages").toArray();
        QCOMPARE(wire.size(), messages.size());
        for (qsizetype i = 0; i < messages.size(); ++i) {
            QCOMPARE(wire.at(i).toObject().value(u"role").toString(), messages.at(i).role);
            QCOMPARE(wire.at(i).toObject().value(u"content").toString(), messages.at(i).content);
        }
    }

    void title_data()
    {
        QTest::addColumn<QString>("completion");
        QTest::newRow("answer") << u"  \"Planning a Trip to Rome.\"\n"_s;
        // A thinking model's thought is never the title.
        QTest::newRow("thought, then answer")
            << u"<think>\nOkay, the user wants a title.\n</think>\n\n\"Planning a Trip to Rome.\""_s;
    }

    void title()
    {
        QFETCH(QString, completion);
        server().setCompletion(completion);
        const QString question = u"  How do I plan\na trip to Rome?  "_s;
        const auto title = awaitTask(client().generateTitle(question));
        QVERIFY(title && title->ok());
        QCOMPARE(title->value(), u"Planning a Trip to Rome"_s);

        const QJsonObject body = server().lastChatRequest();
        QCOMPARE(body.value(u"model").toString(), u"fake-model"_s);
        QCOMPARE(body.value(u"temperature").toDouble(), 0.3);
        QCOMPARE(body.value(u"stream").toBool(), false);
        const QJsonArray wire = body.value(u"messages").toArray();
        QCOMPARE(wire.size(), 2);
        QCOMPARE(wire.at(0).toObject().value(u"role").toString(), u"system"_s);
        QCOMPARE(wire.at(1).toObject().value(u"role").toString(), u"user"_s);
        QCOMPARE(wire.at(1).toObject().value(u"content").toString(), question);
    }

    void capturedCompletion()
    {
        server().setCompletionResponse(
            FakeResponse::fromCapture(TestData::read(u"llama-server/chat_nonstream.headers"_s),
                                      TestData::read(u"llama-server/chat_nonstream.json"_s)));
        const auto text = awaitTask(client().complete({{u"user"_s, u"Hi"_s}}, u"m"_s, 0.3));
        QVERIFY(text && text->ok());
        QVERIFY(text->value().startsWith(u"\u4e66 Chili.CLIENT Rise"_s));
        QVERIFY(text->value().endsWith(u".setColor\u00f3sitokart"_s));
    }

    void completionFailures_data()
    {
        QTest::addColumn<FakeResponse>("response");
        QTest::addColumn<LocalLLMError::Kind>("kind");

        using K = LocalLLMError::Kind;
        QTest::newRow("500") << FakeResponse::json(R"({"error":"oom"})", 500) << K::badResponse;
        QTest::newRow("blank") << FakeResponse::json(FakeModelServer::completionBody(u" \n"_s))
                               << K::emptyResponse;
        // Followed, the POST would arrive as a GET.
        QTest::newRow("redirected")
            << FakeResponse::redirect(307, "http://127.0.0.1:9/v1/chat/completions")
            << K::redirected;
    }

    void completionFailures()
    {
        QFETCH(FakeResponse, response);
        QFETCH(LocalLLMError::Kind, kind);
        server().setCompletionResponse(response);
        const auto title = awaitTask(client().generateTitle(u"Hi"_s));
        QVERIFY(title && !title->ok());
        QCOMPARE(title->error().kind(), kind);
    }

    void cancelWhileWaiting()
    {
        FakeResponse slow = FakeResponse::json(FakeModelServer::modelsBody({u"m"_s}));
        slow.delayBeforeHeadMs = 60000;
        server().setModelsResponse(slow);
        CancellationToken token;
        connect(&server().http(), &FakeHttpServer::requestReceived, this,
                [token] { token.cancel(); });
        const auto ids = awaitTask(client().fetchModelIDs(token));
        QVERIFY(ids && !ids->ok());
        QVERIFY(ids->error().isCancelled());
        QVERIFY(!ids->error().hasDescription());
        const int connection = server().http().requests().last().connection;
        QTRY_VERIFY_WITH_TIMEOUT(!server().http().isConnectionOpen(connection), 5000);
    }

    void clientMayGoAwayWhileRunning()
    {
        server().setModels({u"m"_s});
        QCoro::Task<LLMResult<QStringList>> task = [&] {
            const LocalLLMClient llm = client();
            return llm.fetchModelIDs();
        }();
        const auto ids = awaitTask(std::move(task));
        QVERIFY(ids && ids->ok());
        QCOMPARE(ids->value(), QStringList{u"m"_s});
    }
};

VELM_TEST_MAIN(TestLocalLLMClient)
#include "tst_localllmclient.moc"
