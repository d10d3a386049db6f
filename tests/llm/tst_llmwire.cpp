#include "llm/localllmclient.h"
#include "llm/serveraddress.h"
#include "llm/wireformat.h"
#include "support/testregistry.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;

// Address normalisation, endpoint URLs, model choice, title cleaning, errors and the
// non-streamed wire format: everything of the client that needs no network.
class TestLLMWire : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The address as typed, the base every endpoint hangs off, and the endpoints themselves.
    void normalize_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("expected");

        QTest::newRow("default") << u"http://127.0.0.1:1234"_s << u"http://127.0.0.1:1234/v1"_s;
        QTest::newRow("blanks, no scheme, trailing slash")
            << u"  localhost:1234/ \n"_s << u"http://localhost:1234/v1"_s;
        QTest::newRow("capital scheme, already /v1")
            << u"HTTP://localhost:1234/v1"_s << u"HTTP://localhost:1234/v1"_s;
        QTest::newRow("/v1 and one slash") << u"http://h:1/v1/"_s << u"http://h:1/v1"_s;
        QTest::newRow("/v1 and two slashes") << u"http://h:1/v1//"_s << u"http://h:1/v1//v1"_s;
        QTest::newRow("other path kept") << u"http://h:1/api"_s << u"http://h:1/api/v1"_s;
        QTest::newRow("IPv6") << u"http://[::1]:8080/"_s << u"http://[::1]:8080/v1"_s;
    }

    void normalize()
    {
        QFETCH(QString, address);
        QFETCH(QString, expected);
        QCOMPARE(normalizeServerAddress(address), expected);
        const LLMResult<LocalLLMClient> client = LocalLLMClient::fromAddress(address, nullptr);
        QVERIFY(client.ok());
        QCOMPARE(client.value().modelsURL(), QUrl(expected + u"/models"_s));
        QCOMPARE(client.value().completionsURL(), QUrl(expected + u"/chat/completions"_s));
    }

    // The one check behind `velm config`, the settings window, onboarding and the client.
    void addressProblem_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("problem"); // empty: usable

        const QString scheme = u"the address must start with http:// or https://"_s;
        const QString port = u"the port must be a number from 1 to 65535"_s;
        const QString host = u"the address has no host"_s;
        const QString lineBreak = u"the address contains a line break"_s;
        const QString space = u"the address contains a space"_s;
        const QString invalid = u"the address is not a valid URL"_s;

        QTest::newRow("host and port") << u"localhost:1234"_s << QString();
        QTest::newRow("IPv6") << u"http://[::1]:1234"_s << QString();
        QTest::newRow("capitals and blanks") << u" \tHTTPS://Box.lan:1/ \n"_s << QString();
        QTest::newRow("highest port") << u"http://h:65535"_s << QString();
        QTest::newRow("empty port") << u"http://h:/v1"_s << QString();
        QTest::newRow("user before host") << u"http://me@h:1"_s << QString();

        QTest::newRow("empty") << u"  "_s << u"the address is empty"_s;
        QTest::newRow("port 70000") << u"localhost:70000"_s << port;
        QTest::newRow("port 0") << u"http://h:0/v1"_s << port;
        QTest::newRow("port not a number") << u"http://h:12a"_s << port;
        QTest::newRow("port past int") << u"http://h:99999999999"_s << port;
        QTest::newRow("IPv6 port 70000") << u"http://[::1]:70000"_s << port;
        QTest::newRow("embedded newline") << u"http://a\nb:1"_s << lineBreak;
        QTest::newRow("line separator") << u"localhost\u2028:1"_s << lineBreak;
        QTest::newRow("space in host") << u"http://my server:1234"_s << space;
        QTest::newRow("file") << u"file:///etc"_s << scheme;
        QTest::newRow("file in capitals") << u"FILE:///etc/v1"_s << scheme;
        QTest::newRow("ftp") << u"ftp://127.0.0.1:21"_s << scheme;
        QTest::newRow("no scheme name") << u"://h:1"_s << scheme;
        QTest::newRow("scheme only") << u"http://"_s << host;
        QTest::newRow("port only") << u"http://:1234"_s << host;
        QTest::newRow("user only") << u"https://me@:1"_s << host;
        QTest::newRow("bad character in host") << u"http://ho<st:1"_s << invalid;
        QTest::newRow("unclosed IPv6") << u"http://[::1:1234"_s << invalid;
    }

    void addressProblem()
    {
        QFETCH(QString, address);
        QFETCH(QString, problem);
        QCOMPARE(serverAddressProblem(address).value_or(QString()), problem);
        const LLMResult<LocalLLMClient> client = LocalLLMClient::fromAddress(address, nullptr);
        QCOMPARE(client.ok(), problem.isEmpty());
        if (client.ok()) {
            const QUrl url = client.value().serverURL();
            QVERIFY(url.scheme() == u"http"_s || url.scheme() == u"https"_s);
            QVERIFY(!url.host().isEmpty());
        } else {
            QCOMPARE(client.error().kind(), LocalLLMError::Kind::invalidServerAddress);
            QCOMPARE(client.error().description(), u"Check server address"_s);
        }
    }

    void chooseModel_data()
    {
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<QString>("expected");

        QTest::newRow("preferred second, in capitals")
            << QStringList{u"llama-3"_s, u"lmstudio/QWEN3-VL-8B-Instruct"_s}
            << u"lmstudio/QWEN3-VL-8B-Instruct"_s;
        QTest::newRow("first of the preferred")
            << QStringList{u"a"_s, u"qwen3-vl-8b-a"_s, u"qwen3-vl-8b-b"_s} << u"qwen3-vl-8b-a"_s;
        QTest::newRow("none preferred: first") << QStringList{u"b"_s, u"a"_s} << u"b"_s;
        QTest::newRow("near miss") << QStringList{u"x"_s, u"qwen3-vl-7b"_s} << u"x"_s;
        QTest::newRow("empty") << QStringList() << QString();
    }

    void chooseModel()
    {
        QFETCH(QStringList, ids);
        QFETCH(QString, expected);
        QCOMPARE(LocalLLMClient::chooseModelID(ids), expected);
    }

    void cleanTitle_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("expected");

        const QString emoji = QString::fromUtf8("\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD"); // 👍🏽
        QTest::newRow("quotes and stop") << u"\"Trip to Rome.\""_s << u"Trip to Rome"_s;
        QTest::newRow("apostrophe") << u"Let's plan"_s << u"Lets plan"_s;
        QTest::newRow("two stops lose one") << u"Wait.."_s << u"Wait."_s;
        QTest::newRow("56 kept") << QString(56, u'a') << QString(56, u'a');
        QTest::newRow("57 cut") << QString(57, u'a') << QString(53, u'a') + u'\u2026';
        QTest::newRow("57 emoji cut") << emoji.repeated(57) << emoji.repeated(53) + u'\u2026';
        QTest::newRow("blanks inside quotes") << u"\"  Title \""_s << u"Title"_s;
        QTest::newRow("only quotes") << u"\"\""_s << QString();
    }

    void cleanTitle()
    {
        QFETCH(QString, answer);
        QFETCH(QString, expected);
        QCOMPARE(LocalLLMClient::cleanTitle(answer), expected);
    }

    void errorTexts_data()
    {
        QTest::addColumn<LocalLLMError>("error");
        QTest::addColumn<QString>("description");

        using K = LocalLLMError::Kind;
        QTest::newRow("empty") << LocalLLMError(K::emptyResponse) << u"No response"_s;
        // The server as the user typed it, without the path velm adds.
        QTest::newRow("not a model server")
            << LocalLLMError::notModelServer(
                   QUrl(u"http://user@127.0.0.1:1234/v1/chat/completions?x=1#y"_s), u"a page"_s)
            << u"The server at http://127.0.0.1:1234 did not answer like a model server"_s;
        QTest::newRow("relative redirect")
            << LocalLLMError::redirect(QUrl(u"http://localhost/v1/models"_s),
                                       QUrl(u"/login?next=%2Fv1"_s))
            << u"The server at http://localhost redirected to http://localhost/login?next=%2Fv1"_s;
        // Whatever the server wrote reaches the user as a plain address.
        QTest::newRow("redirect with control characters")
            << LocalLLMError::redirect(
                   QUrl(u"http://127.0.0.1:1234/v1/models"_s),
                   QUrl::fromEncoded("http://portal.example/\x1b[2J a\r\nb", QUrl::TolerantMode))
            << u"The server at http://127.0.0.1:1234 redirected to "
               u"http://portal.example/%1B[2J%20a%0D%0Ab"_s;
        QTest::newRow("line too long") << LocalLLMError::lineTooLong(16 * 1024 * 1024)
                                       << u"The model server sent a line longer than 16 MiB"_s;
        QTest::newRow("line too long, KiB") << LocalLLMError::lineTooLong(1024)
                                            << u"The model server sent a line longer than 1 KiB"_s;
        QTest::newRow("line too long, bytes")
            << LocalLLMError::lineTooLong(1000)
            << u"The model server sent a line longer than 1000 bytes"_s;
    }

    void errorTexts()
    {
        QFETCH(LocalLLMError, error);
        QFETCH(QString, description);
        QVERIFY(error.hasDescription());
        QCOMPARE(error.description(), description);
        QCOMPARE(error.descriptionOr(u"Something went wrong"_s), description);
        QVERIFY(error.detail().contains(description));
    }

    void errorsWithoutDescription()
    {
        for (const LocalLLMError &error :
             {LocalLLMError::transportError(u"Connection refused"_s),
              LocalLLMError::decodingError(u"illegal value"_s), LocalLLMError::cancellation()}) {
            QVERIFY(!error.hasDescription());
            QCOMPARE(error.descriptionOr(u"Something went wrong"_s), u"Something went wrong"_s);
            QVERIFY(!error.detail().isEmpty());
        }
        QVERIFY(LocalLLMError::cancellation().isCancelled());
        QVERIFY(LocalLLMError::transportError(u"Connection refused"_s)
                    .detail()
                    .contains(u"Connection refused"_s));
    }

    void decodeModels_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("ids");

        QTest::newRow("two, in order")
            << R"({"object":"list","data":[{"id":"b","x":1},{"id":"a"}]})"_ba << true
            << QStringList{u"b"_s, u"a"_s};
        QTest::newRow("empty") << R"({"data":[]})"_ba << true << QStringList();
        QTest::newRow("null data (Ollama)")
            << R"({"object":"list","data":null})"_ba << true << QStringList();
        QTest::newRow("no data") << R"({"object":"list"})"_ba << false << QStringList();
        QTest::newRow("id missing") << R"({"data":[{"name":"a"}]})"_ba << false << QStringList();
        QTest::newRow("not JSON") << "<html>"_ba << false << QStringList();
    }

    void decodeModels()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, ok);
        QFETCH(QStringList, ids);
        const LLMResult<QStringList> result = WireFormat::decodeModelIDs(body);
        QCOMPARE(result.ok(), ok);
        if (ok)
            QCOMPARE(result.value(), ids);
        else
            QCOMPARE(result.error().kind(), LocalLLMError::Kind::decoding);
    }

    void decodeCompletion_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind"); // -1: success

        const int ok = -1;
        const int empty = int(LocalLLMError::Kind::emptyResponse);
        const int decoding = int(LocalLLMError::Kind::decoding);
        QTest::newRow("trimmed")
            << R"({"choices":[{"message":{"role":"assistant","content":"  Title \n"}}]})"_ba
            << u"Title"_s << ok;
        QTest::newRow("first choice")
            << R"({"choices":[{"message":{"role":"assistant","content":"a"}},{"message":{"role":"assistant","content":"b"}}]})"_ba
            << u"a"_s << ok;
        QTest::newRow("no choices") << R"({"choices":[]})"_ba << QString() << empty;
        QTest::newRow("whitespace only")
            << R"({"choices":[{"message":{"role":"assistant","content":" \n "}}]})"_ba << QString()
            << empty;
        QTest::newRow("choices missing") << R"({"id":"x"})"_ba << QString() << decoding;
        QTest::newRow("content null")
            << R"({"choices":[{"message":{"role":"assistant","content":null}}]})"_ba << QString()
            << decoding;
        QTest::newRow("not JSON") << "oops"_ba << QString() << decoding;
        QTest::newRow("a thought before the answer")
            << R"({"choices":[{"message":{"role":"assistant","content":"<think>\nThe user asks about Rome.\n</think>\n\nTrip to Rome"}}]})"_ba
            << u"Trip to Rome"_s << ok;
        QTest::newRow("a thought without an answer")
            << R"({"choices":[{"message":{"role":"assistant","content":"<think>The user"}}]})"_ba
            << QString() << empty;
        QTest::newRow("a thought beside the answer is not read")
            << R"({"choices":[{"message":{"role":"assistant","content":"Rome","reasoning_content":"The user"}}]})"_ba
            << u"Rome"_s << ok;
    }

    void decodeCompletion()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, text);
        QFETCH(int, kind);
        const LLMResult<QString> result = WireFormat::decodeCompletion(body);
        QCOMPARE(result.ok(), kind == -1);
        if (result.ok())
            QCOMPARE(result.value(), text);
        else
            QCOMPARE(int(result.error().kind()), kind);
    }

    // What servers say of an answer's length and speed, as they send it.
    void usageLines_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("piece");
        QTest::addColumn<int>("tokens"); // -1: not sent
        QTest::addColumn<double>("tokensPerSecond"); // 0: not sent

        QTest::newRow("usage chunk") << QByteArray(
            R"(data: {"id":"chatcmpl-1","object":"chat.completion.chunk","created":1,)"
            R"("model":"m","choices":[],"usage":{"prompt_tokens":12,)"
            R"("completion_tokens":412,"total_tokens":424}})")
                                     << false << 412 << 0.0;
        QTest::newRow("null usage beside a piece") << QByteArray(
            R"(data: {"choices":[{"index":0,"delta":{"content":"Hi"}}],"usage":null})")
                                                   << true << -1 << 0.0;
        QTest::newRow("llama.cpp timings in the last chunk")
            << QByteArray(R"(data: {"choices":[{"finish_reason":"stop","index":0,"delta":{}}],)"
                          R"("created":1,"model":"m","object":"chat.completion.chunk",)"
                          R"("timings":{"prompt_n":12,"prompt_ms":41.5,"predicted_n":37,)"
                          R"("predicted_ms":961.0,"predicted_per_second":38.5}})")
            << false << 37 << 38.5;
        QTest::newRow("nonsense counts are not counts")
            << QByteArray(R"(data: {"choices":[],"usage":{"completion_tokens":-3},)"
                          R"("timings":{"predicted_per_second":"fast"}})")
            << false << -1 << 0.0;
    }

    void usageLines()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, piece);
        const StreamEvent event = WireFormat::decodeStreamLine(line);
        QVERIFY(event.recognised);
        QCOMPARE(event.type == StreamEvent::Type::piece, piece);
        QTEST(event.usage.tokens(), "tokens");
        QTEST(event.usage.tokensPerSecond, "tokensPerSecond");
    }

    void requestOptions_data()
    {
        QTest::addColumn<bool>("stream");
        QTest::addColumn<bool>("includeUsage");
        QTest::addColumn<int>("maxTokens"); // 0: none
        QTest::addColumn<QByteArray>("options"); // the body without messages and model

        QTest::newRow("streamed, usage asked")
            << true << true << 0
            << QByteArray(R"({"stream":true,"stream_options":{"include_usage":true},)"
                          R"("temperature":0.7})");
        QTest::newRow("streamed, limited")
            << true << false << 256
            << QByteArray(R"({"max_tokens":256,"stream":true,"temperature":0.7})");
        QTest::newRow("not streamed: no usage asked")
            << false << true << 0 << QByteArray(R"({"stream":false,"temperature":0.7})");
    }

    void requestOptions()
    {
        QFETCH(bool, stream);
        QFETCH(bool, includeUsage);
        QFETCH(int, maxTokens);
        QFETCH(QByteArray, options);
        const QByteArray body = WireFormat::encodeChatRequest(
            u"m"_s, {{u"user"_s, u"Hi"_s}},
            {0.7, maxTokens > 0 ? std::optional<int>(maxTokens) : std::nullopt, stream,
             includeUsage});
        QJsonObject sent = QJsonDocument::fromJson(body).object();
        QCOMPARE(sent.take(u"model"_s).toString(), u"m"_s);
        QVERIFY(sent.take(u"messages"_s).isArray());
        QCOMPARE(sent, QJsonDocument::fromJson(options).object());
    }

    void imagesGoAsContentParts_data()
    {
        QTest::addColumn<QStringList>("images");
        QTest::addColumn<QByteArray>("messages");

        // Text alone is sent as it always was: a plain string.
        QTest::newRow("text only")
            << QStringList() << QByteArray(R"([{"content":"What is this?","role":"user"}])");
        QTest::newRow("one image")
            << QStringList{u"data:image/png;base64,iVBORw0K"_s}
            << QByteArray(R"([{"content":[{"text":"What is this?","type":"text"},)"
                          R"({"image_url":{"url":"data:image/png;base64,iVBORw0K"},)"
                          R"("type":"image_url"}],"role":"user"}])");
        QTest::newRow("two images, in order")
            << QStringList{u"data:image/jpeg;base64,/9j/"_s, u"data:image/png;base64,iVBO"_s}
            << QByteArray(R"([{"content":[{"text":"What is this?","type":"text"},)"
                          R"({"image_url":{"url":"data:image/jpeg;base64,/9j/"},)"
                          R"("type":"image_url"},{"image_url":)"
                          R"({"url":"data:image/png;base64,iVBO"},"type":"image_url"}],)"
                          R"("role":"user"}])");
    }

    void imagesGoAsContentParts()
    {
        QFETCH(QStringList, images);
        QFETCH(QByteArray, messages);
        const QByteArray body = WireFormat::encodeChatRequest(
            u"m"_s, {{u"user"_s, u"What is this?"_s, images}}, {0.7, std::nullopt, true, false});
        QCOMPARE(body,
                 R"({"messages":)" + messages
                     + R"(,"model":"m","stream":true,)"
                       R"("temperature":0.7})");
    }
};

VELM_TEST_MAIN(TestLLMWire)
#include "tst_llmwire.moc"
