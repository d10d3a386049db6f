#include "chat/chatexport.h"
#include "support/testregistry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QUuid uuid(const char *text)
{
    return QUuid::fromString(QLatin1StringView(text));
}

QDateTime utc(int y, int mo, int d, int h, int mi, int s, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}

// One string value inside an exported chat, as the encoder writes it.
QByteArray encodedText(const QString &text)
{
    ChatSession session;
    session.id = uuid("00000000-0000-0000-0000-000000000001");
    session.updatedAt = utc(2025, 1, 1, 0, 0, 0);
    session.customTitle = text;
    const QByteArray bytes = ChatExport::encode({session});
    const QByteArray key = "\"customTitle\" : ";
    const qsizetype start = bytes.indexOf(key) + key.size();
    return bytes.mid(start, bytes.indexOf(",\n", start) - start);
}

} // namespace

class TestChatExport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wholeFile()
    {
        ChatSession first;
        first.id = uuid("6f1a4b3c-2d5e-4f60-8a7b-9c0d1e2f3a4b");
        first.updatedAt = utc(2025, 5, 1, 9, 30, 15, 750);
        first.messages = {
            ChatMessage(uuid("11111111-2222-4333-8444-555555555555"), ChatMessage::Role::User,
                        u"Wie spät ist es in Zürich?"_s),
            ChatMessage(
                uuid("aaaaaaaa-bbbb-4ccc-8ddd-eeeeeeeeeeee"), ChatMessage::Role::Assistant,
                u"Es ist \"9:30\".\nMehr: a/b"_s,
                QList<SearchResult>{{uuid("01234567-89ab-4cde-8f01-23456789abcd"), u"Zeit"_s,
                                     u"https://time.example/zurich?x=1&y=2"_s, QString()}}),
            ChatMessage(uuid("bbbbbbbb-bbbb-4ccc-8ddd-eeeeeeeeeeee"), ChatMessage::Role::Assistant,
                        u"Start LM Studio"_s, QList<SearchResult>{}),
        };
        first.messages[1].reasoning = u"Zürich is on CEST."_s;
        first.messages[1].thinkingSeconds = 1.5;
        ChatSession second;
        second.id = uuid("7f1a4b3c-2d5e-4f60-8a7b-9c0d1e2f3a4b");
        second.updatedAt = utc(2024, 12, 31, 23, 59, 59, 999);
        second.customTitle = u"Archived 📦"_s;
        second.isArchived = true;

        const QByteArray expected
            = "[\n"
              "  {\n"
              "    \"id\" : \"6F1A4B3C-2D5E-4F60-8A7B-9C0D1E2F3A4B\",\n"
              "    \"isArchived\" : false,\n"
              "    \"messages\" : [\n"
              "      {\n"
              "        \"id\" : \"11111111-2222-4333-8444-555555555555\",\n"
              "        \"role\" : \"user\",\n"
              "        \"text\" : \"Wie spät ist es in Zürich?\"\n"
              "      },\n"
              "      {\n"
              "        \"id\" : \"AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE\",\n"
              "        \"reasoning\" : \"Zürich is on CEST.\",\n"
              "        \"role\" : \"assistant\",\n"
              "        \"sources\" : [\n"
              "          {\n"
              "            \"id\" : \"01234567-89AB-4CDE-8F01-23456789ABCD\",\n"
              "            \"snippet\" : \"\",\n"
              "            \"title\" : \"Zeit\",\n"
              "            \"url\" : \"https://time.example/zurich?x=1&y=2\"\n"
              "          }\n"
              "        ],\n"
              "        \"text\" : \"Es ist \\\"9:30\\\".\\nMehr: a/b\",\n"
              "        \"thinkingSeconds\" : 1.5\n"
              "      },\n"
              "      {\n"
              "        \"id\" : \"BBBBBBBB-BBBB-4CCC-8DDD-EEEEEEEEEEEE\",\n"
              "        \"role\" : \"assistant\",\n"
              "        \"sources\" : [],\n"
              "        \"text\" : \"Start LM Studio\"\n"
              "      }\n"
              "    ],\n"
              "    \"updatedAt\" : \"2025-05-01T09:30:15Z\"\n"
              "  },\n"
              "  {\n"
              "    \"customTitle\" : \"Archived 📦\",\n"
              "    \"id\" : \"7F1A4B3C-2D5E-4F60-8A7B-9C0D1E2F3A4B\",\n"
              "    \"isArchived\" : true,\n"
              "    \"messages\" : [],\n"
              "    \"updatedAt\" : \"2024-12-31T23:59:59Z\"\n"
              "  }\n"
              "]\n";
        const QByteArray encoded = ChatExport::encode({first, second});
        QCOMPARE(encoded, expected);

        // And any JSON reader gets the records back.
        QJsonParseError error;
        const QJsonArray array = QJsonDocument::fromJson(encoded, &error).array();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(array.size(), 2);
        QCOMPARE(array[0][u"messages"][1][u"text"].toString(), first.messages[1].text);
        QCOMPARE(array[1][u"customTitle"].toString(), *second.customTitle);
    }

    // A backup holds what a newer version stored with a chat too.
    void newerKeysAreExported()
    {
        ChatSession session;
        session.id = uuid("00000000-0000-0000-0000-000000000001");
        session.updatedAt = utc(2025, 1, 1, 0, 0, 0);
        session.unknownKeys = {{u"pinned"_s, "true"}, {u"model"_s, R"({"id":"m","t":[1,2]})"}};
        ChatMessage message(ChatMessage::Role::Assistant, u"4"_s);
        message.unknownKeys = {{u"rating"_s, R"("good")"}};
        session.messages.append(message);

        const QJsonObject chat
            = QJsonDocument::fromJson(ChatExport::encode({session})).array().at(0).toObject();
        QCOMPARE(chat.value(u"pinned"_s), QJsonValue(true));
        QCOMPARE(chat.value(u"model"_s),
                 QJsonValue(QJsonObject{{u"id"_s, u"m"_s}, {u"t"_s, QJsonArray{1, 2}}}));
        QCOMPARE(chat.value(u"messages"_s).toArray().at(0).toObject().value(u"rating"_s),
                 QJsonValue(u"good"_s));
    }

    // A backup holds every version of an answer asked for again, the chosen one marked, and
    // what wrote each and how fast.
    void everyVersionIsExported()
    {
        ChatSession session;
        session.id = uuid("00000000-0000-0000-0000-000000000001");
        session.updatedAt = utc(2025, 1, 1, 0, 0, 0);
        ChatMessage message(ChatMessage::Role::Assistant, u"Four."_s);
        message.model = u"qwen3-8b"_s;
        message.stats = AnswerStats{412, false, 38.5, 0.5};
        const AnswerVersion first{
            u"4"_s, {}, {}, {}, u"gpt-oss-20b"_s, AnswerStats{1, true, {}, {}}};
        message.versions = {first, message.version()};
        message.chosenVersion = 1;
        session.messages.append(message);

        const QJsonObject exported = QJsonDocument::fromJson(ChatExport::encode({session}))
                                         .array()
                                         .at(0)[u"messages"][0]
                                         .toObject();
        QCOMPARE(exported[u"text"].toString(), u"Four."_s);
        QCOMPARE(exported[u"model"].toString(), u"qwen3-8b"_s);
        QCOMPARE(exported[u"stats"].toObject(),
                 (QJsonObject{{u"tokens"_s, 412},
                              {u"approximate"_s, false},
                              {u"tokensPerSecond"_s, 38.5},
                              {u"firstTokenSeconds"_s, 0.5}}));
        const QJsonArray versions = exported[u"versions"].toArray();
        QCOMPARE(versions.size(), 2);
        QCOMPARE(versions[0][u"text"].toString(), u"4"_s);
        QCOMPARE(versions[0][u"stats"][u"approximate"].toBool(), true);
        QVERIFY(!versions[0].toObject().contains(u"chosen"));
        QCOMPARE(versions[1][u"chosen"].toBool(), true);
        QCOMPARE(exported[u"chosenVersion"].toInt(), 1);
    }

    void escapes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("written");

        QTest::newRow("slash stays") << u"a/b//c"_s << QByteArray("\"a/b//c\"");
        QTest::newRow("quote and backslash")
            << u"say \"C:\\\""_s << QByteArray("\"say \\\"C:\\\\\\\"\"");
        QTest::newRow("short escapes") << u"\b\f\n\r\t"_s << QByteArray("\"\\b\\f\\n\\r\\t\"");
        QTest::newRow("other controls") << u"\x01\x1f"_s << QByteArray("\"\\u0001\\u001f\"");
        QTest::newRow("non-ASCII as UTF-8")
            << u"é — 漢 😀 \u2028"_s << QString(u"\"é — 漢 😀 \u2028\""_s).toUtf8();
        // Half a surrogate pair has no UTF-8 form; escaped, it is not lost.
        QTest::newRow("lone surrogate")
            << QString(QChar(0xd83d)) + u"x"_s << QByteArray("\"\\ud83dx\"");
        QTest::newRow("DEL unescaped") << u"\x7f"_s << QByteArray("\"\x7f\"");
    }

    void escapes()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, written);
        QCOMPARE(encodedText(text), written);
        const QByteArray document = "[" + written + "]";
        QCOMPARE(QJsonDocument::fromJson(document).array().at(0).toString(), text);
    }

    void isoDate_data()
    {
        QTest::addColumn<QDateTime>("date");
        QTest::addColumn<QString>("text");

        QTest::newRow("UTC") << utc(2025, 5, 1, 9, 30, 15) << u"2025-05-01T09:30:15Z"_s;
        // Cut, never rounded into the next day.
        QTest::newRow("milliseconds cut")
            << utc(2024, 12, 31, 23, 59, 59, 999) << u"2024-12-31T23:59:59Z"_s;
        QTest::newRow("other offset in UTC")
            << QDateTime(QDate(2025, 1, 1), QTime(1, 0), Qt::OffsetFromUTC, 2 * 3600)
            << u"2024-12-31T23:00:00Z"_s;
        QTest::newRow("invalid") << QDateTime() << QString();
    }

    void isoDate()
    {
        QFETCH(QDateTime, date);
        QFETCH(QString, text);
        QCOMPARE(ChatExport::isoDate(date), text);
    }
};

VELM_TEST_MAIN(TestChatExport)
#include "tst_chatexport.moc"
