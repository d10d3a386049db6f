#include "llm/streamlinereader.h"
#include "llm/wireformat.h"
#include "support/testdata.h"
#include "support/testregistry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Feeds `body` to a reader in reads cut at `cuts` and collects every line, taking lines
// after each read as a client does.
QByteArrayList readLines(const QByteArray &body, const QList<int> &cuts)
{
    StreamLineReader reader;
    QByteArrayList lines;
    int start = 0;
    QList<int> ends = cuts;
    ends.append(int(body.size()));
    for (int end : ends) {
        reader.append(QByteArrayView(body).sliced(start, end - start));
        start = end;
        while (const auto line = reader.nextLine())
            lines.append(line->toByteArray());
    }
    if (const auto last = reader.finish())
        lines.append(last->toByteArray());
    return lines;
}

// The decoder written the plain way, with QJsonDocument: what the real one must agree with.
StreamEvent referenceDecode(QByteArrayView line)
{
    if (!line.startsWith("data: "))
        return {};
    const QByteArray payload = line.sliced(6).toByteArray();
    if (payload == "[DONE]")
        return {StreamEvent::Type::done, {}, {}, {}, false, {}};
    const QJsonDocument document = QJsonDocument::fromJson(payload);
    if (!document.isObject())
        return {};
    const QJsonObject chunk = document.object();
    const QJsonValue error = chunk.value(u"error");
    if (!error.isUndefined() && !error.isNull()) {
        const QString message
            = error.isString() ? error.toString() : error.toObject().value(u"message").toString();
        return {StreamEvent::Type::error, {}, {}, LocalLLMError::serverError(message), false, {}};
    }
    const QJsonObject delta
        = chunk.value(u"choices").toArray().first().toObject().value(u"delta").toObject();
    const QString content = delta.value(u"content").toString();
    const QString reasoningContent = delta.value(u"reasoning_content").toString();
    const QString reasoning = delta.value(u"reasoning").toString();
    const QString thought
        = reasoningContent == reasoning ? reasoningContent : reasoningContent + reasoning;
    if (content.isEmpty() && thought.isEmpty())
        return {};
    return {StreamEvent::Type::piece, content, thought, {}, false, {}};
}

QList<int> everyByte(const QByteArray &body)
{
    QList<int> cuts;
    for (int i = 1; i < body.size(); ++i)
        cuts.append(i);
    return cuts;
}

} // namespace

class TestStreamIngest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lines_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QList<int>>("cuts");
        QTest::addColumn<QByteArrayList>("expected");

        QTest::newRow("one read, LF") << "a\nbc\n"_ba << QList<int>() << QByteArrayList{"a", "bc"};
        QTest::newRow("CRLF") << "a\r\nbc\r\n"_ba << QList<int>() << QByteArrayList{"a", "bc"};
        QTest::newRow("CR only") << "a\rbc\r"_ba << QList<int>() << QByteArrayList{"a", "bc"};
        QTest::newRow("LF CR is two terminators")
            << "a\n\rb\n"_ba << QList<int>() << QByteArrayList{"a", "", "b"};
        QTest::newRow("blank lines kept")
            << "a\n\n\nb\n"_ba << QList<int>() << QByteArrayList{"a", "", "", "b"};
        QTest::newRow("last line without terminator")
            << "a\nlast"_ba << QList<int>{3} << QByteArrayList{"a", "last"};
        QTest::newRow("ends in CR") << "a\r"_ba << QList<int>() << QByteArrayList{"a"};
        QTest::newRow("empty body") << QByteArray() << QList<int>() << QByteArrayList();
    }

    void lines()
    {
        QFETCH(QByteArray, body);
        QFETCH(QList<int>, cuts);
        QFETCH(QByteArrayList, expected);
        QCOMPARE(readLines(body, cuts), expected);
        // However the body is cut, the lines are the same.
        QCOMPARE(readLines(body, everyByte(body)), expected);
    }

    void handsEachLineOnAsSoonAsItEnds()
    {
        StreamLineReader reader;
        reader.append("data: par");
        QVERIFY(!reader.nextLine());
        QCOMPARE(reader.pendingSize(), 9);
        reader.append("t\r");
        // A "\r" may be the first half of "\r\n", but the line is complete already.
        QCOMPARE(reader.nextLine()->toByteArray(), "data: part"_ba);
        QVERIFY(!reader.nextLine());
        reader.append("\nnext");
        QVERIFY(!reader.nextLine());
        reader.append("\n");
        QCOMPARE(reader.nextLine()->toByteArray(), "next"_ba);
        QVERIFY(!reader.finish());
    }

    void megabyteLine()
    {
        const QByteArray content(1024 * 1024, 'x');
        const QByteArray body = "data: " + content + "\nshort\n";
        QList<int> cuts;
        for (int at = 4096; at < body.size(); at += 4096)
            cuts.append(at);
        const QByteArrayList lines = readLines(body, cuts);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.first().size(), content.size() + 6);
        QCOMPARE(lines.last(), "short"_ba);
    }

    void decodeLine_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<StreamEvent::Type>("type");
        QTest::addColumn<QString>("text");

        using T = StreamEvent::Type;
        QTest::newRow("single space is a piece")
            << R"(data: {"choices":[{"delta":{"content":" "}}]})"_ba << T::piece << u" "_s;
        QTest::newRow("escapes and non-ASCII")
            << "data: {\"choices\":[{\"delta\":{\"content\":\"\\tx\\n\xE4\xBD\xA0\\u00e9\"}}]}"_ba
            << T::piece << u"\tx\n\u4f60\u00e9"_s;
        QTest::newRow("empty piece skipped")
            << R"(data: {"choices":[{"delta":{"content":""}}]})"_ba << T::skip << QString();
        QTest::newRow("null content skipped")
            << R"(data: {"choices":[{"delta":{"role":"assistant","content":null}}]})"_ba << T::skip
            << QString();
        QTest::newRow("no choices (usage)")
            << R"(data: {"choices":[],"usage":{"total_tokens":3}})"_ba << T::skip << QString();
        QTest::newRow("only the first choice counts")
            << R"(data: {"choices":[{"delta":{}},{"delta":{"content":"b"}}]})"_ba << T::skip
            << QString();
        QTest::newRow("no space after colon")
            << R"(data:{"choices":[{"delta":{"content":"x"}}]})"_ba << T::skip << QString();
        QTest::newRow("comment") << ": ping"_ba << T::skip << QString();
        QTest::newRow("blank") << QByteArray() << T::skip << QString();
        QTest::newRow("not JSON") << "data: {\"choices\":"_ba << T::skip << QString();
        QTest::newRow("done") << "data: [DONE]"_ba << T::done << QString();
        QTest::newRow("done with a blank after it is not done")
            << "data: [DONE] "_ba << T::skip << QString();
        // QJsonDocument reads these, so the decoder must not drop them.
        QTest::newRow("raw tab and unknown escape kept")
            << "data: {\"choices\":[{\"delta\":{\"content\":\"a\tb\\q\"}}]}"_ba << T::piece
            << u"a\tbq"_s;
        QTest::newRow("byte order mark before the chunk")
            << "data: \xEF\xBB\xBF{\"choices\":[{\"delta\":{\"content\":\"x\"}}]}"_ba << T::piece
            << u"x"_s;
        QTest::newRow("content given twice: the last counts")
            << R"(data: {"choices":[{"delta":{"content":"a","content":null}}]})"_ba << T::skip
            << QString();
        QTest::newRow("null error is no error")
            << R"(data: {"error":null,"choices":[{"delta":{"content":"x"}}]})"_ba << T::piece
            << u"x"_s;
    }

    void decodeLine()
    {
        QFETCH(QByteArray, line);
        QFETCH(StreamEvent::Type, type);
        QFETCH(QString, text);
        const StreamEvent event = WireFormat::decodeStreamLine(line);
        QCOMPARE(event.type, type);
        QCOMPARE(event.text, text);
        // The plain decoder says the same.
        QCOMPARE(referenceDecode(line).type, type);
        QCOMPARE(referenceDecode(line).text, text);
    }

    // A thinking model's thought beside the answer, under either name.
    void decodeReasoning_data()
    {
        QTest::addColumn<QByteArray>("delta");
        QTest::addColumn<StreamEvent::Type>("type");
        QTest::addColumn<QString>("reasoning");
        QTest::addColumn<QString>("text");

        using T = StreamEvent::Type;
        QTest::newRow("reasoning_content")
            << R"({"reasoning_content":"Hm"})"_ba << T::piece << u"Hm"_s << QString();
        QTest::newRow("reasoning beside empty content")
            << R"({"content":"","reasoning":"Hm"})"_ba << T::piece << u"Hm"_s << QString();
        QTest::newRow("both names, the same text once")
            << R"({"reasoning_content":"Hm","reasoning":"Hm"})"_ba << T::piece << u"Hm"_s
            << QString();
        QTest::newRow("both names, different texts")
            << R"({"reasoning_content":"a","reasoning":"b"})"_ba << T::piece << u"ab"_s
            << QString();
        QTest::newRow("thought and answer in one chunk")
            << R"({"reasoning":"Hm","content":"42"})"_ba << T::piece << u"Hm"_s << u"42"_s;
        QTest::newRow("null and empty thoughts are nothing")
            << R"({"reasoning_content":null,"reasoning":""})"_ba << T::skip << QString()
            << QString();
        QTest::newRow("a thought that is not text")
            << R"({"reasoning":{"text":"Hm"}})"_ba << T::skip << QString() << QString();
    }

    void decodeReasoning()
    {
        QFETCH(QByteArray, delta);
        QFETCH(StreamEvent::Type, type);
        QFETCH(QString, reasoning);
        QFETCH(QString, text);
        const QByteArray line = R"(data: {"choices":[{"index":0,"delta":)" + delta + "}]}";
        const StreamEvent event = WireFormat::decodeStreamLine(line);
        QCOMPARE(event.type, type);
        QCOMPARE(event.reasoning, reasoning);
        QCOMPARE(event.text, text);
        QVERIFY(event.recognised);
        const StreamEvent reference = referenceDecode(line);
        QCOMPARE(reference.type, type);
        QCOMPARE(reference.reasoning, reasoning);
        QCOMPARE(reference.text, text);
    }

    // Whether a line is of the wire format at all, text or not: a body without one is not an
    // answer.
    void recognisedLines_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("recognised");

        QTest::newRow("piece") << R"(data: {"choices":[{"delta":{"content":"x"}}]})"_ba << true;
        QTest::newRow("role only")
            << R"(data: {"choices":[{"delta":{"role":"assistant","content":null}}]})"_ba << true;
        QTest::newRow("usage") << R"(data: {"choices":[],"usage":{"total_tokens":3}})"_ba << true;
        QTest::newRow("error") << R"(data: {"error":"Model unloaded"})"_ba << true;
        QTest::newRow("done") << "data: [DONE]"_ba << true;
        QTest::newRow("another service's event") << R"(data: {"type":"ping"})"_ba << false;
        QTest::newRow("not JSON") << "data: hello"_ba << false;
        QTest::newRow("comment") << ": ping"_ba << false;
        QTest::newRow("other field") << "event: message"_ba << false;
        QTest::newRow("markup") << "<html><body>"_ba << false;
    }

    void recognisedLines()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, recognised);
        QCOMPARE(WireFormat::decodeStreamLine(line).recognised, recognised);
    }

    // A whole JSON body sent where a stream was asked for.
    void decodeCompletionEvent_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<StreamEvent::Type>("type");
        QTest::addColumn<QString>("text"); // the piece, or the error's description
        QTest::addColumn<bool>("recognised");

        using T = StreamEvent::Type;
        const auto completion = [](const QByteArray &content) {
            return R"({"object":"chat.completion","choices":[{"index":0,"message":{"role":)"
                   R"("assistant","content":)"
                + content + "}}]}";
        };
        QTest::newRow("completion, untrimmed")
            << completion(R"(" Hi\n")") << T::piece << u" Hi\n"_s << true;
        QTest::newRow("empty content") << completion(R"("")") << T::done << QString() << true;
        QTest::newRow("null content") << completion("null") << T::done << QString() << true;
        QTest::newRow("no choices") << R"({"choices":[]})"_ba << T::done << QString() << true;
        QTest::newRow("error object") << R"({"error":{"message":"Model unloaded","code":404}})"_ba
                                      << T::error << u"Model unloaded"_s << true;
        QTest::newRow("error string") << R"({"error":"Busy"})"_ba << T::error << u"Busy"_s << true;
        QTest::newRow("content not text") << completion("[1]") << T::skip << QString() << false;
        QTest::newRow("legacy completion")
            << R"({"choices":[{"text":"Hi"}]})"_ba << T::skip << QString() << false;
        QTest::newRow("other JSON") << R"({"status":"ok"})"_ba << T::skip << QString() << false;
        QTest::newRow("not JSON") << "<html>"_ba << T::skip << QString() << false;
    }

    void decodeCompletionEvent()
    {
        QFETCH(QByteArray, body);
        QFETCH(StreamEvent::Type, type);
        QFETCH(QString, text);
        QFETCH(bool, recognised);
        const StreamEvent event = WireFormat::decodeCompletionEvent(body);
        QCOMPARE(event.type, type);
        QCOMPARE(event.recognised, recognised);
        QCOMPARE(type == StreamEvent::Type::error ? event.error.description().value_or(QString())
                                                  : event.text,
                 text);
    }

    void decodeErrorLine_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("description");

        QTest::newRow("llama.cpp")
            << R"(data: {"error":{"code":500,"message":"context shift is disabled","type":"server_error"}})"_ba
            << u"context shift is disabled"_s;
        QTest::newRow("string") << R"(data: {"error":"Model unloaded"})"_ba << u"Model unloaded"_s;
        QTest::newRow("no message")
            << R"(data: {"error":{"code":500}})"_ba << u"LM Studio did not respond"_s;
        QTest::newRow("blank message")
            << R"(data: {"error":"  "})"_ba << u"LM Studio did not respond"_s;
        QTest::newRow("message given twice: the last counts")
            << R"(data: {"error":{"message":"first","message":1}})"_ba
            << u"LM Studio did not respond"_s;
        QTest::newRow("error beside choices")
            << R"(data: {"choices":[{"delta":{"content":"x"}}],"error":{"message":"boom"}})"_ba
            << u"boom"_s;
    }

    // The decoder against QJsonDocument on real chunks and on every truncation and many
    // corruptions of them.
    void decoderAgreesWithQJsonDocument()
    {
        QByteArrayList lines;
        for (const QString &file : {u"chat_stream.sse"_s, u"chat_stream_usage.sse"_s}) {
            for (const QByteArray &line : TestData::read(u"llama-server/"_s + file).split('\n')) {
                if (line.startsWith("data: {"))
                    lines.append(line);
            }
        }
        QVERIFY(lines.size() > 90);
        lines.append("data: {\"error\":{\"code\":500,\"message\":\"boom \\u00e9\\ud83d\\ude00\"}}");
        lines.append(
            "data: "
            "{\"choices\":[{\"delta\":{\"content\":\"a\\\"\\\\\\/\\b\\f\\n\\r\\t\\u0041\"}}]}");
        lines.append(
            R"(data: {"choices":[{"delta":{"content":"x"}}],"n":[-0.5e+3,1E2,0,true,false,null,{}]})");

        int compared = 0;
        const QByteArrayList replacements{"\"", "\\", "}", "]",    ",",    ":",    "0",
                                          "-",  "x",  " ", "\x80", "\xC3", "\x01", "."};
        const auto check = [&](const QByteArray &line) {
            const StreamEvent expected = referenceDecode(line);
            const StreamEvent actual = WireFormat::decodeStreamLine(line);
            ++compared;
            if (actual.type != expected.type || actual.text != expected.text
                || actual.error != expected.error) {
                qWarning() << "line:" << line;
                return false;
            }
            return true;
        };
        for (const QByteArray &line : lines) {
            for (qsizetype size = 6; size <= line.size(); ++size)
                QVERIFY(check(line.left(size)));
            for (qsizetype at = 6; at < line.size(); ++at) {
                for (const QByteArray &replacement : replacements) {
                    QByteArray corrupted = line;
                    corrupted.replace(at, 1, replacement);
                    QVERIFY(check(corrupted));
                }
            }
        }
        QVERIFY(compared > 100000);
    }

    void decodeErrorLine()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, description);
        const StreamEvent event = WireFormat::decodeStreamLine(line);
        QCOMPARE(event.type, StreamEvent::Type::error);
        QCOMPARE(event.error.description(), std::optional<QString>(description));
        QCOMPARE(referenceDecode(line).error.description(), std::optional<QString>(description));
    }
};

VELM_TEST_MAIN(TestStreamIngest)
#include "tst_streamingest.moc"
