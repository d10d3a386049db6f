#include "chat/chatcodec.h"
#include "chat/chatexport.h"
#include "chat/chatimport.h"
#include "support/testregistry.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QDateTime utc(int day, int msec = 0)
{
    return QDateTime(QDate(2025, 5, day), QTime(9, 30, 15, msec), Qt::UTC);
}

// A chat with everything a chat can hold: versions of an answer, a thought, its figures,
// sources (and an empty list of them), a title and members of a newer version.
ChatSession fullChat(int day)
{
    ChatSession session = ChatSession::create(utc(day, 750));
    session.customTitle = u"Zürich \"time\""_s;
    session.unknownKeys = {{u"pinned"_s, "{\"at\":[1,\"x\"]}"}};
    ChatMessage question(ChatMessage::Role::User, u"Wie spät ist es?"_s);
    question.unknownKeys = {{u"draft"_s, "true"}};
    ChatMessage answer(ChatMessage::Role::Assistant, u"9:30"_s,
                       QList<SearchResult>{SearchResult::create(
                           u"Zeit"_s, u"https://time.example/?a=1&b=2"_s, u"s"_s)});
    answer.reasoning = u"CEST"_s;
    answer.thinkingSeconds = 1.5;
    answer.model = u"qwen3-8b"_s;
    answer.stats = AnswerStats{412, false, 38.5, 0.25};
    AnswerVersion earlier;
    earlier.text = u"Half past nine"_s;
    earlier.sources = QList<SearchResult>{};
    answer.versions = {earlier, answer.version()};
    answer.chosenVersion = 1;
    session.messages = {question, answer};
    return session;
}

// What an export keeps of the chats: their dates to the second.
QList<ChatSession> toTheSecond(QList<ChatSession> sessions)
{
    for (ChatSession &session : sessions)
        session.updatedAt = session.updatedAt.addMSecs(-session.updatedAt.time().msec());
    return sessions;
}

// A stored list's lookup.
ChatImport::Lookup in(const QList<ChatSession> &stored)
{
    return [stored](const QUuid &id) -> std::optional<ChatSession> {
        for (const ChatSession &session : stored) {
            if (session.id == id)
                return session;
        }
        return std::nullopt;
    };
}

QList<QUuid> messageIds(const ChatSession &session)
{
    QList<QUuid> ids;
    for (const ChatMessage &message : session.messages)
        ids.append(message.id);
    return ids;
}

const QByteArray validChat = R"({"id" : "6F1A4B3C-2D5E-4F60-8A7B-9C0D1E2F3A4B", "messages" : [],
  "updatedAt" : "2025-05-01T09:30:15Z"})";

} // namespace

class TestChatImport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodesEitherForm_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<ChatSession>>("expected");

        const QList<ChatSession> chats{fullChat(1), fullChat(2)};
        QTest::newRow("export") << ChatExport::encode(chats) << toTheSecond(chats);
        QTest::newRow("stored list") << ChatCodec::encodeSessions(chats) << chats;
        QTest::newRow("export with a byte order mark")
            << "\xEF\xBB\xBF" + ChatExport::encode(chats) << toTheSecond(chats);
        QTest::newRow("no chats") << QByteArray("[]\n") << QList<ChatSession>{};
    }

    void decodesEitherForm()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<ChatSession>, expected);

        const Result<QList<ChatSession>, QString> decoded = ChatImport::decode(bytes);
        QVERIFY2(decoded, qPrintable(decoded.ok() ? QString() : decoded.error()));
        QCOMPARE(decoded.value(), expected);
    }

    // What the store reads leniently, an export carries as it was: an odd member of a
    // message, a version chosen, members of a newer version. Read and exported again, the
    // file is the same.
    void exportReadsBackToTheSameFile()
    {
        const QByteArray file = R"([
  {
    "id" : "6F1A4B3C-2D5E-4F60-8A7B-9C0D1E2F3A4B",
    "isArchived" : true,
    "later" : {
      "a" : [
        1,
        "x"
      ]
    },
    "messages" : [
      {
        "chosenVersion" : 0,
        "id" : "AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE",
        "model" : "qwen3-8b",
        "reasoning" : 5,
        "role" : "assistant",
        "sources" : [],
        "stats" : {
          "approximate" : true,
          "tokens" : 12
        },
        "text" : "Zwei",
        "versions" : [
          {
            "chosen" : true,
            "model" : "qwen3-8b",
            "sources" : [],
            "stats" : {
              "approximate" : true,
              "tokens" : 12
            },
            "text" : "Zwei"
          },
          {
            "text" : "Two",
            "thinkingSeconds" : 0.5
          }
        ]
      }
    ],
    "updatedAt" : "2025-05-01T09:30:15Z"
  }
]
)";
        const Result<QList<ChatSession>, QString> decoded = ChatImport::decode(file);
        QVERIFY2(decoded, qPrintable(decoded.ok() ? QString() : decoded.error()));
        QCOMPARE(ChatExport::encode(decoded.value()), file);
        const ChatMessage &message = decoded.value().constFirst().messages.constFirst();
        QCOMPARE(message.chosenVersion, 0);
        QCOMPARE(message.versions.size(), 2);
        QCOMPARE(message.unknownKeys, (JsonMembers{{u"reasoning"_s, "5"}}));
        // Stored and read back as the store reads it, it is still the same chat.
        const auto stored = ChatCodec::decodeSessions(ChatCodec::encodeSessions(decoded.value()));
        QVERIFY(stored);
        QCOMPARE(*stored, decoded.value());
    }

    void errorsSayWhatAndWhere_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");

        // Lines and columns count from 1, columns in characters rather than bytes.
        QTest::newRow("syntax, later line")
            << QByteArray("[{}]\n\n  x")
            << u"line 3, column 3: garbage at the end of the document"_s;
        QTest::newRow("syntax, a missing value")
            << QByteArray("[\n  {\n    \"id\" : ,") << u"line 3, column 12: illegal value"_s;
        QTest::newRow("syntax, after letters of two bytes")
            << QByteArray("[\"Zürich\"] x")
            << u"line 1, column 12: garbage at the end of the document"_s;
        QTest::newRow("empty") << QByteArray(" \n") << u"the file is empty"_s;
        QTest::newRow("foreign object")
            << QByteArray(R"({"a":1})") << u"the file holds a JSON object, not a list of chats"_s;
        QTest::newRow("foreign list")
            << QByteArray("[1, 2, 3]") << u"chat 1 is not a JSON object"_s;
        QTest::newRow("messages not a list") << "[" + validChat + ", " + validChat + ", "
                + R"({"id" : "6F1A4B3C-2D5E-4F60-8A7B-9C0D1E2F3A4C", "messages" : {}})"
                + "]" << uR"(chat 3: "messages" is not a list)"_s;
        QTest::newRow("role")
            << QByteArray(R"([{"id" : "6F1A4B3C-2D5E-4F60-8A7B-9C0D1E2F3A4B", "messages" : [
                {"id" : "AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE", "role" : "user", "text" : ""},
                {"id" : "AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEF", "role" : "system", "text" : ""}]}])")
            << uR"(chat 1, message 2: "role" is neither "user" nor "assistant")"_s;
        QTest::newRow("source")
            << QByteArray(R"([{"id" : "6F1A4B3C-2D5E-4F60-8A7B-9C0D1E2F3A4B", "messages" : [
                {"id" : "AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE", "role" : "assistant", "text" : "",
                 "versions" : [{"text" : ""}, {"text" : "", "sources" : [{"id" :
                 "AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE", "title" : "", "url" : 1}]}]}]}])")
            << uR"(chat 1, message 1, version 2, source 1: "url" is not text)"_s;
        QTest::newRow("attachment")
            << QByteArray(R"([{"id" : "6F1A4B3C-2D5E-4F60-8A7B-9C0D1E2F3A4B", "messages" : [
                {"id" : "AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE", "role" : "user", "text" : "",
                 "attachments" : [{"name" : "a.png", "kind" : "image",
                 "data" : "data:image/png;base64,iVBO"}, {"name" : "b.png", "kind" : "image",
                 "data" : "data:image/png,iVBO"}]}], "updatedAt" : "2025-01-01T00:00:00Z"}])")
            << uR"(chat 1, message 1, attachment 2: "data" is not a data: URL in base64)"_s;
        QTest::newRow("date") << QByteArray(
            R"([{"id" : "6F1A4B3C-2D5E-4F60-8A7B-9C0D1E2F3A4B", "messages" : [],
                "updatedAt" : "yesterday"}])")
                              << uR"(chat 1: "updatedAt" is not a date)"_s;
        QTest::newRow("id") << QByteArray(
            R"([{"id" : "6F1A4B3C", "messages" : [], "updatedAt" : 0}])")
                            << uR"(chat 1: "id" is not a UUID)"_s;
        // A stored list (its dates are numbers) that the store's decoder refuses.
        QTest::newRow("damaged stored list")
            << QByteArray(R"([{"id" : "6F1A4B3C-2D5E-4F60-8A7B-9C0D1E2F3A4B", "messages" : [],
                "updatedAt" : 767784615, "isArchived" : "no"}])")
            << uR"(chat 1: "isArchived" is neither true nor false)"_s;
    }

    void errorsSayWhatAndWhere()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);

        const Result<QList<ChatSession>, QString> decoded = ChatImport::decode(bytes);
        QVERIFY(!decoded);
        QCOMPARE(decoded.error(), error);
    }

    void plan_data()
    {
        QTest::addColumn<QList<ChatSession>>("stored");
        QTest::addColumn<QList<ChatSession>>("incoming");
        // Indexes into `incoming` of the chats added, in order; ~i for a copy of chat i.
        QTest::addColumn<QList<int>>("added");
        QTest::addColumn<QString>("report");

        const ChatSession a = fullChat(1);
        const ChatSession b = fullChat(2);
        const ChatSession c = fullChat(3);
        ChatSession changed = a;
        changed.messages.removeLast();

        QTest::newRow("new") << QList<ChatSession>{} << QList<ChatSession>{a, b} << QList<int>{0, 1}
                             << u"Imported 2 chats, skipped 0"_s;
        // As it comes back from an export: the same to the second.
        QTest::newRow("stored already") << QList<ChatSession>{a} << toTheSecond({a}) << QList<int>{}
                                        << u"Imported 0 chats, skipped 1"_s;
        QTest::newRow("other content under a stored id")
            << QList<ChatSession>{changed} << QList<ChatSession>{a} << QList<int>{~0}
            << u"Imported 1 chat, skipped 0"_s;
        QTest::newRow("in the file order") << QList<ChatSession>{b} << QList<ChatSession>{c, b, a}
                                           << QList<int>{0, 2} << u"Imported 2 chats, skipped 1"_s;
        QTest::newRow("twice in the file")
            << QList<ChatSession>{} << QList<ChatSession>{a, a, changed} << QList<int>{0, ~2}
            << u"Imported 2 chats, skipped 1"_s;
    }

    void plan()
    {
        QFETCH(QList<ChatSession>, stored);
        QFETCH(QList<ChatSession>, incoming);
        QFETCH(QList<int>, added);
        QFETCH(QString, report);

        const ChatImport::Plan plan = ChatImport::plan(incoming, in(stored));
        QCOMPARE(ChatImport::report(plan), report);
        QCOMPARE(plan.sessions.size(), added.size());
        QCOMPARE(plan.skipped, incoming.size() - added.size());
        for (qsizetype i = 0; i < added.size(); ++i) {
            const bool copy = added.at(i) < 0;
            const ChatSession &original = incoming.at(copy ? ~added.at(i) : added.at(i));
            ChatSession session = plan.sessions.at(i);
            if (!copy) {
                QCOMPARE(session, original);
                continue;
            }
            // The same chat under ids of its own: none of them stored or the original's.
            QVERIFY(session.id != original.id);
            QVERIFY(!in(stored)(session.id));
            const QList<QUuid> ids = messageIds(session);
            QCOMPARE(QSet<QUuid>(ids.cbegin(), ids.cend()).size(), ids.size());
            for (const QUuid &id : messageIds(original))
                QVERIFY(!ids.contains(id));
            session.id = original.id;
            for (qsizetype m = 0; m < session.messages.size(); ++m)
                session.messages[m].id = original.messages.at(m).id;
            QCOMPARE(session, original);
        }
    }

    void importingACopyAgainSkipsIt()
    {
        ChatSession ours = fullChat(1);
        ChatSession theirs = ours;
        theirs.customTitle = u"Renamed on the other machine"_s;
        QList<ChatSession> stored{ours};

        stored += ChatImport::plan({theirs}, in(stored)).sessions;
        QCOMPARE(stored.size(), 2);
        const ChatImport::Plan again = ChatImport::plan(toTheSecond({theirs}), in(stored));

        QCOMPARE(again.sessions, QList<ChatSession>());
        QCOMPARE(again.skipped, 1);
    }
};

VELM_TEST_MAIN(TestChatImport)
#include "tst_chatimport.moc"
