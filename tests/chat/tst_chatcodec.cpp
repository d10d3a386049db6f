#include "chat/chatcodec.h"
#include "support/testregistry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QJsonObject validSource()
{
    return QJsonObject{{u"id"_s, u"6BA7B811-9DAD-11D1-80B4-00C04FD430C8"_s},
                       {u"title"_s, u"Example"_s},
                       {u"url"_s, u"https://example.com/a?b=c"_s},
                       {u"snippet"_s, u""_s}};
}

// Two sessions; the first has two messages, the answer with one source.
QJsonArray validDocument()
{
    const QJsonArray messages{
        QJsonObject{{u"id"_s, u"6BA7B812-9DAD-11D1-80B4-00C04FD430C8"_s},
                    {u"role"_s, u"user"_s},
                    {u"text"_s, u"What is 2+2?"_s}},
        QJsonObject{{u"id"_s, u"6BA7B813-9DAD-11D1-80B4-00C04FD430C8"_s},
                    {u"role"_s, u"assistant"_s},
                    {u"text"_s, u"4"_s},
                    {u"sources"_s, QJsonArray{validSource()}}},
    };
    return QJsonArray{
        QJsonObject{{u"id"_s, u"6BA7B814-9DAD-11D1-80B4-00C04FD430C8"_s},
                    {u"messages"_s, messages},
                    {u"updatedAt"_s, 786000000.25},
                    {u"customTitle"_s, u"Sums"_s},
                    {u"isArchived"_s, true}},
        QJsonObject{{u"id"_s, u"6BA7B815-9DAD-11D1-80B4-00C04FD430C8"_s},
                    {u"messages"_s, QJsonArray{}},
                    {u"updatedAt"_s, 786000100.0},
                    {u"isArchived"_s, false}},
    };
}

// Replaces (or with an undefined value removes) the value at a path such as "0/messages/1".
QJsonValue edited(const QJsonValue &node, QStringList path, const QJsonValue &replacement)
{
    if (path.isEmpty())
        return replacement;
    const QString step = path.takeFirst();
    if (node.isArray()) {
        QJsonArray array = node.toArray();
        const int index = step.toInt();
        array[index] = edited(array.at(index), path, replacement);
        return array;
    }
    QJsonObject object = node.toObject();
    if (path.isEmpty() && replacement.isUndefined())
        object.remove(step);
    else
        object[step] = edited(object.value(step), path, replacement);
    return object;
}

QByteArray editedDocument(const QString &path, const QJsonValue &replacement)
{
    const QJsonValue document
        = edited(validDocument(), path.split(u'/', Qt::SkipEmptyParts), replacement);
    return QJsonDocument(document.toArray()).toJson(QJsonDocument::Compact);
}

ChatSession sampleSession()
{
    ChatSession session
        = ChatSession::create(QDateTime(QDate(2025, 6, 1), QTime(9, 30, 15, 120), Qt::UTC));
    session.customTitle = u"Über \"quotes\" \\ and\nnewlines"_s;
    session.messages.append(
        ChatMessage(ChatMessage::Role::User, u"Hi 👋🏽 e\u0301 \u0000 tab\t"_s));
    session.messages.append(ChatMessage(ChatMessage::Role::Assistant, u""_s));
    session.messages.append(ChatMessage(ChatMessage::Role::Assistant, u"**sourced**"_s,
                                        QList<SearchResult>{SearchResult::create(
                                            u"T"_s, u"http://x/ü?q=1&r=</script>"_s, u"s"_s)}));
    session.messages.append(
        ChatMessage(ChatMessage::Role::Assistant, u"set but empty"_s, QList<SearchResult>{}));
    ChatMessage thought(ChatMessage::Role::Assistant, u"42"_s);
    thought.reasoning = u"Six <b>sevens</b>,\n$6 \\times 7$."_s;
    thought.thinkingSeconds = 81.25;
    session.messages.append(thought);
    // Asked for twice, the first answer shown, with what wrote each and how fast.
    ChatMessage regenerated(ChatMessage::Role::Assistant, u"Four."_s);
    regenerated.model = u"qwen/qwen3-8b"_s;
    regenerated.stats = AnswerStats{412, false, 38.5, 0.625};
    AnswerVersion second{u"4"_s,           QList<SearchResult>{},
                         u"Sum."_s,        1.0,
                         u"gpt-oss-20b"_s, AnswerStats{3, true, std::nullopt, std::nullopt}};
    regenerated.versions = {regenerated.version(), second};
    regenerated.chosenVersion = 0;
    session.messages.append(regenerated);
    // A question with a picture (any bytes) and a document, both as an export holds them.
    ChatMessage withFiles(ChatMessage::Role::User, QString());
    Attachment picture;
    picture.kind = Attachment::Kind::Image;
    picture.name = u"shot \"1\".png"_s;
    picture.mimeType = u"image/png"_s;
    picture.size = 48213;
    picture.data = QByteArray("\x89PNG\r\n\x1a\n\0\xff\xfe", 11);
    picture.dataMimeType = u"image/jpeg"_s;
    Attachment document;
    document.name = u"Ünïcode.md"_s;
    document.mimeType = u"text/markdown"_s;
    document.size = 9;
    document.data = "# Title\n\n";
    document.dataMimeType = u"text/markdown"_s;
    document.text = u"# Title"_s;
    for (Attachment *file : {&picture, &document})
        file->hash = file->contentHash();
    withFiles.attachments = {picture, document};
    session.messages.append(withFiles);
    ChatMessage stoppedWhileThinking(ChatMessage::Role::Assistant, QString());
    stoppedWhileThinking.reasoning = u"Hmm"_s;
    stoppedWhileThinking.thinkingSeconds = 0.5;
    session.messages.append(stoppedWhileThinking);
    return session;
}

} // namespace

class TestChatCodec : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrip()
    {
        ChatSession archived
            = ChatSession::create(QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59, 999), Qt::UTC));
        archived.isArchived = true;
        archived.customTitle = QString(u""_s);
        ChatSession nilId = ChatSession::create(QDateTime::fromMSecsSinceEpoch(0, Qt::UTC));
        nilId.id = QUuid();
        const QList<ChatSession> sessions{sampleSession(), archived, nilId};

        const QByteArray json = ChatCodec::encodeSessions(sessions);
        const auto decoded = ChatCodec::decodeSessions(json);
        QVERIFY(decoded);
        QCOMPARE(*decoded, sessions);
        // The set-but-empty sources and title stay set; no sources stays none.
        QVERIFY(decoded->at(0).messages.at(3).sources.has_value());
        QVERIFY(!decoded->at(0).messages.at(0).sources.has_value());
        QVERIFY(decoded->at(1).customTitle.has_value());
        // Encoding what was decoded gives the same bytes.
        QCOMPARE(ChatCodec::encodeSessions(*decoded), json);
    }

    void storedForm()
    {
        ChatSession session;
        session.id = QUuid(u"{6ba7b810-9dad-11d1-80b4-00c04fd430c8}"_s);
        session.updatedAt = QDateTime(QDate(2024, 5, 17), QTime(12, 0, 0, 123), Qt::UTC);
        session.messages.append(ChatMessage(QUuid(u"{6ba7b811-9dad-11d1-80b4-00c04fd430c8}"_s),
                                            ChatMessage::Role::Assistant, u"x"_s));
        const QByteArray json = ChatCodec::encodeSessions({session});

        QVERIFY(!json.contains('\n'));
        QVERIFY(json.contains(R"("id":"6BA7B810-9DAD-11D1-80B4-00C04FD430C8")"));
        QVERIFY(json.contains(R"("role":"assistant")"));
        // 2024-05-17 12:00:00.123 UTC is 737640000.123 s after 2001-01-01.
        QVERIFY2(json.contains(R"("updatedAt":737640000.123)"), json.constData());
        QVERIFY(json.contains(R"("isArchived":false)"));
        QVERIFY(!json.contains("customTitle"));
        QVERIFY(!json.contains("sources"));
        // An answer without a thought is stored exactly as before thoughts were kept.
        QVERIFY(!json.contains("reasoning"));
        QVERIFY(!json.contains("thinkingSeconds"));
    }

    // A thought is stored in two keys of its own beside the answer's text, which stays the
    // answer alone: an older velm, which passes over keys it does not know, reads the file
    // as the same chat without the thoughts.
    void thoughtBesideTheAnswer()
    {
        const QByteArray json = ChatCodec::encodeSessions({sampleSession()});
        const QJsonObject stored
            = QJsonDocument::fromJson(json).array().at(0)[u"messages"][4].toObject();
        QCOMPARE(
            stored.keys(),
            (QStringList{u"id"_s, u"reasoning"_s, u"role"_s, u"text"_s, u"thinkingSeconds"_s}));
        QCOMPARE(stored[u"text"].toString(), u"42"_s);
        QCOMPARE(stored[u"reasoning"].toString(), u"Six <b>sevens</b>,\n$6 \\times 7$."_s);
        QCOMPARE(stored[u"thinkingSeconds"].toDouble(), 81.25);
        // The shown version of an answer asked for twice stands at the top likewise.
        const QJsonObject versions
            = QJsonDocument::fromJson(json).array().at(0)[u"messages"][5].toObject();
        QCOMPARE(versions[u"text"].toString(), u"Four."_s);
        QCOMPARE(versions[u"model"].toString(), u"qwen/qwen3-8b"_s);
        QCOMPARE(versions[u"versions"].toArray().size(), 2);
        QCOMPARE(versions[u"chosenVersion"].toInt(), 0);
    }

    // A choice that points at no version keeps every version and shows the top answer.
    void versionChoiceOutOfRange_data()
    {
        QTest::addColumn<QJsonValue>("chosen");
        QTest::newRow("past the end") << QJsonValue(2);
        QTest::newRow("negative") << QJsonValue(-1);
        QTest::newRow("missing") << QJsonValue(QJsonValue::Undefined);
    }

    void versionChoiceOutOfRange()
    {
        QFETCH(QJsonValue, chosen);
        const QJsonArray versions{QJsonObject{{u"text"_s, u"three"_s}},
                                  QJsonObject{{u"text"_s, u"four"_s}}};
        const QJsonArray document
            = QJsonDocument::fromJson(editedDocument(u"0/messages/1/versions"_s, versions)).array();
        const QByteArray stored
            = QJsonDocument(
                  edited(document, {u"0"_s, u"messages"_s, u"1"_s, u"chosenVersion"_s}, chosen)
                      .toArray())
                  .toJson(QJsonDocument::Compact);
        const auto sessions = ChatCodec::decodeSessions(stored);
        QVERIFY(sessions);
        const ChatMessage &message = sessions->at(0).messages.at(1);
        QCOMPARE(message.text, u"4"_s);
        QCOMPARE(message.versions.size(), 3);
        QCOMPARE(message.chosenVersion, 2);
        QCOMPARE(message.versions.at(2), message.version());
    }

    void thoughtKeys_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<bool>("read");

        QTest::newRow("reasoning") << u"reasoning"_s << QJsonValue(u"Two and two."_s) << true;
        QTest::newRow("seconds") << u"thinkingSeconds"_s << QJsonValue(3.5) << true;
        // Not of the type this version writes: kept as they are, and the chat loads.
        QTest::newRow("reasoning not text") << u"reasoning"_s << QJsonValue(5) << false;
        QTest::newRow("seconds as text") << u"thinkingSeconds"_s << QJsonValue(u"3"_s) << false;
        QTest::newRow("reasoning null") << u"reasoning"_s << QJsonValue(QJsonValue::Null) << false;
    }

    void thoughtKeys()
    {
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);
        QFETCH(bool, read);
        const QByteArray stored = editedDocument(u"0/messages/1/"_s + key, value);
        const auto sessions = ChatCodec::decodeSessions(stored);
        QVERIFY(sessions);
        const ChatMessage &message = sessions->at(0).messages.at(1);
        QCOMPARE(message.text, u"4"_s);
        QCOMPARE(message.reasoning, read && value.isString() ? value.toString() : QString());
        QCOMPARE(message.thinkingSeconds,
                 read && value.isDouble() ? std::optional(value.toDouble()) : std::nullopt);
        QCOMPARE(message.unknownKeys.isEmpty(), read);
        QCOMPARE(QJsonDocument::fromJson(ChatCodec::encodeSessions(*sessions)),
                 QJsonDocument::fromJson(stored));
    }

    void dates_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QDateTime>("date");

        QTest::newRow("reference date")
            << 0.0 << QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
        QTest::newRow("milliseconds")
            << 737640000.123 << QDateTime(QDate(2024, 5, 17), QTime(12, 0, 0, 123), Qt::UTC);
        // Written by the first version with sub-millisecond digits: nearest millisecond.
        QTest::newRow("microseconds up")
            << 737640000.1236 << QDateTime(QDate(2024, 5, 17), QTime(12, 0, 0, 124), Qt::UTC);
        QTest::newRow("before the reference")
            << -0.5 << QDateTime(QDate(2000, 12, 31), QTime(23, 59, 59, 500), Qt::UTC);
    }

    void dates()
    {
        QFETCH(double, seconds);
        QFETCH(QDateTime, date);
        const auto decoded = ChatCodec::dateFromReferenceSeconds(seconds);
        QVERIFY(decoded);
        QCOMPARE(*decoded, date);
        QCOMPARE(decoded->toMSecsSinceEpoch(), date.toMSecsSinceEpoch());
        // Whole milliseconds encode to their shortest decimal, so they survive re-encoding.
        const double encoded = ChatCodec::referenceSeconds(*decoded);
        QCOMPARE(ChatCodec::dateFromReferenceSeconds(encoded), decoded);
        QCOMPARE(QByteArray::number(encoded, 'g', QLocale::FloatingPointShortest),
                 QByteArray::number(double(date.toMSecsSinceEpoch() - 978307200000LL) / 1000, 'g',
                                    QLocale::FloatingPointShortest));
    }

    void decoding_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QJsonValue>("replacement");
        QTest::addColumn<bool>("decodes");

        const QJsonValue removed(QJsonValue::Undefined);
        const QJsonValue null(QJsonValue::Null);

        QTest::newRow("valid") << u""_s << QJsonValue(validDocument()) << true;
        QTest::newRow("empty list") << u""_s << QJsonValue(QJsonArray{}) << true;
        QTest::newRow("top level object") << u""_s << QJsonValue(QJsonObject{}) << false;
        QTest::newRow("session not an object") << u"1"_s << QJsonValue(u"x"_s) << false;

        QTest::newRow("session id missing") << u"0/id"_s << removed << false;
        QTest::newRow("updatedAt missing") << u"1/updatedAt"_s << removed << false;
        QTest::newRow("unknown key") << u"0/folder"_s << QJsonValue(3) << true;

        QTest::newRow("session id number") << u"0/id"_s << QJsonValue(7) << false;
        QTest::newRow("id lower case")
            << u"0/id"_s << QJsonValue(u"6ba7b814-9dad-11d1-80b4-00c04fd430c8"_s) << true;
        QTest::newRow("id in braces")
            << u"0/id"_s << QJsonValue(u"{6BA7B814-9DAD-11D1-80B4-00C04FD430C8}"_s) << false;
        QTest::newRow("id not hex")
            << u"0/id"_s << QJsonValue(u"6BA7B814-9DAD-11D1-80B4-00C04FD430CZ"_s) << false;
        QTest::newRow("messages object") << u"0/messages"_s << QJsonValue(QJsonObject{}) << false;
        QTest::newRow("updatedAt text")
            << u"0/updatedAt"_s << QJsonValue(u"2024-01-01T00:00:00Z"_s) << false;
        QTest::newRow("updatedAt whole number") << u"0/updatedAt"_s << QJsonValue(1) << true;
        QTest::newRow("updatedAt out of range") << u"0/updatedAt"_s << QJsonValue(1e300) << false;
        QTest::newRow("customTitle number") << u"0/customTitle"_s << QJsonValue(1) << false;

        QTest::newRow("message not an object") << u"0/messages/0"_s << QJsonValue(1) << false;
        QTest::newRow("role missing") << u"0/messages/0/role"_s << removed << false;
        QTest::newRow("sources null") << u"0/messages/1/sources"_s << null << true;
        QTest::newRow("role system") << u"0/messages/0/role"_s << QJsonValue(u"system"_s) << false;
        QTest::newRow("text null") << u"0/messages/0/text"_s << null << false;
        QTest::newRow("sources object")
            << u"0/messages/1/sources"_s << QJsonValue(QJsonObject{}) << false;

        QTest::newRow("source not an object")
            << u"0/messages/1/sources/0"_s << QJsonValue(u"x"_s) << false;
        QTest::newRow("source snippet null")
            << u"0/messages/1/sources/0/snippet"_s << null << false;
        QTest::newRow("source url number")
            << u"0/messages/1/sources/0/url"_s << QJsonValue(80) << false;
        QTest::newRow("source unknown key")
            << u"0/messages/1/sources/0/favicon"_s << QJsonValue(u"x"_s) << true;

        const auto file = [](const QString &data, const QString &kind = u"image"_s) {
            return QJsonValue(QJsonArray{
                QJsonObject{{u"name"_s, u"a.png"_s}, {u"kind"_s, kind}, {u"data"_s, data}}});
        };
        QTest::newRow("attachment")
            << u"0/messages/0/attachments"_s << file(u"data:image/png;base64,AAEC"_s) << true;
        QTest::newRow("attachment of no known kind")
            << u"0/messages/0/attachments"_s << file(u"data:image/png;base64,AAEC"_s, u"video"_s)
            << false;
        QTest::newRow("attachment data not base64")
            << u"0/messages/0/attachments"_s << file(u"data:image/png;base64,A@EC"_s) << false;
        QTest::newRow("attachment data a link")
            << u"0/messages/0/attachments"_s << file(u"https://example.com/a.png"_s) << false;
        QTest::newRow("attachment data not in base64")
            << u"0/messages/0/attachments"_s << file(u"data:text/plain,hello"_s) << false;
    }

    void decoding()
    {
        QFETCH(QString, path);
        QFETCH(QJsonValue, replacement);
        QFETCH(bool, decodes);

        const QByteArray json = path.isEmpty()
            ? (replacement.isArray() ? QJsonDocument(replacement.toArray()).toJson()
                                     : QJsonDocument(replacement.toObject()).toJson())
            : editedDocument(path, replacement);
        const auto sessions = ChatCodec::decodeSessions(json);
        QCOMPARE(sessions.has_value(), decodes);
    }

    void absentOptionals_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QJsonValue>("replacement");

        QTest::newRow("isArchived missing")
            << u"0/isArchived"_s << QJsonValue(QJsonValue::Undefined);
        QTest::newRow("isArchived null") << u"0/isArchived"_s << QJsonValue(QJsonValue::Null);
    }

    void absentOptionals()
    {
        QFETCH(QString, path);
        QFETCH(QJsonValue, replacement);
        const auto sessions = ChatCodec::decodeSessions(editedDocument(path, replacement));
        QVERIFY(sessions);
        QVERIFY(!sessions->at(0).isArchived);

        const auto noTitle = ChatCodec::decodeSessions(
            editedDocument(u"0/customTitle"_s, QJsonValue(QJsonValue::Null)));
        QVERIFY(noTitle);
        QVERIFY(!noTitle->at(0).customTitle);
        const auto noSources = ChatCodec::decodeSessions(
            editedDocument(u"0/messages/1/sources"_s, QJsonValue(QJsonValue::Undefined)));
        QVERIFY(noSources);
        QVERIFY(!noSources->at(0).messages.at(1).sources);
    }

    void newerKeysSurvive_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QJsonValue>("value");

        QTest::newRow("chat: text") << u"0/model"_s << QJsonValue(u"qwen3-vl-8b"_s);
        QTest::newRow("chat: null") << u"0/folder"_s << QJsonValue(QJsonValue::Null);
        QTest::newRow("chat: nested object")
            << u"0/settings"_s
            << QJsonValue(QJsonObject{{u"temperature"_s, 0.25},
                                      {u"tags"_s, QJsonArray{u"a\\"_s, 1e300, QJsonObject{}}}});
        QTest::newRow("chat: key with escapes and non-ASCII")
            << u"0/na\"me \u00e9\U0001F600"_s << QJsonValue(u"\n"_s);
        QTest::newRow("message: array")
            << u"0/messages/0/reactions"_s
            << QJsonValue(QJsonArray{QJsonObject{{u"name"_s, u"a.png"_s}, {u"size"_s, 12}}});
    }

    // A chat written by a newer version keeps what this one does not understand through a
    // decode and encode, so that a save by this version loses nothing of it.
    void newerKeysSurvive()
    {
        QFETCH(QString, path);
        QFETCH(QJsonValue, value);

        const QByteArray stored = editedDocument(path, value);
        const auto sessions = ChatCodec::decodeSessions(stored);
        QVERIFY(sessions);
        const QByteArray saved = ChatCodec::encodeSessions(*sessions);
        QCOMPARE(QJsonDocument::fromJson(saved), QJsonDocument::fromJson(stored));
        QCOMPARE(ChatCodec::decodeSessions(saved), sessions);
    }

    void newerKeyGivenTwiceKeepsTheLast()
    {
        QByteArray stored = editedDocument(u"1/pinned"_s, QJsonValue(true));
        stored.replace("\"pinned\":true", "\"pinned\":1,\"pinned\":true");
        const auto sessions = ChatCodec::decodeSessions(stored);
        QVERIFY(sessions);
        QCOMPARE(sessions->at(1).unknownKeys, (JsonMembers{{u"pinned"_s, "true"}}));
    }

    void notJson_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("truncated") << ChatCodec::encodeSessions({sampleSession()}).chopped(3);
    }

    void notJson()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!ChatCodec::decodeSessions(bytes));
        QVERIFY(!ChatCodec::decodeMessages(bytes));
    }

    void firstVersionDocument()
    {
        // As the first version's encoder wrote it: escaped slashes, microsecond dates.
        const QByteArray json
            = "[{\"id\":\"E621E1F8-C36C-495A-93FC-0C247A3E6E5F\",\"messages\":[{\"id\":"
              "\"9C8F4A6E-1B2D-4E3F-8A7B-6C5D4E3F2A1B\",\"role\":\"user\",\"text\":\"Look up "
              "https:\\/\\/example.com \\u00e9\"},{\"id\":\"1A2B3C4D-5E6F-4A8B-9C0D-1E2F3A4B5C6D\","
              "\"role\":\"assistant\",\"text\":\"Done\",\"sources\":[{\"id\":"
              "\"0F1E2D3C-4B5A-4968-8776-A5B4C3D2E1F0\",\"title\":\"Ex\",\"url\":"
              "\"https:\\/\\/example.com\\/a\",\"snippet\":\"\"}]}],\"updatedAt\":734567890.123456,"
              "\"isArchived\":false}]";
        const auto sessions = ChatCodec::decodeSessions(json);
        QVERIFY(sessions);
        const ChatSession &session = sessions->at(0);
        QCOMPARE(session.id, QUuid(u"{e621e1f8-c36c-495a-93fc-0c247a3e6e5f}"_s));
        QCOMPARE(session.messages.at(0).text, u"Look up https://example.com é"_s);
        QCOMPARE(session.messages.at(1).sources->at(0).url, u"https://example.com/a"_s);
        QCOMPARE(session.updatedAt,
                 QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC).addMSecs(734567890123LL));

        // Whitespace between tokens is no obstacle either.
        const QByteArray pretty = QJsonDocument::fromJson(json).toJson(QJsonDocument::Indented);
        QCOMPARE(ChatCodec::decodeSessions(pretty), sessions);
    }

    void messages()
    {
        const QList<ChatMessage> messages = sampleSession().messages;
        const QByteArray json = ChatCodec::encodeMessages(messages);
        QVERIFY(json.startsWith('['));
        QCOMPARE(ChatCodec::decodeMessages(json), std::optional(messages));
        QCOMPARE(ChatCodec::decodeMessages("[]"), std::optional(QList<ChatMessage>()));
        QVERIFY(!ChatCodec::decodeMessages(R"([{"id":"6BA7B812-9DAD-11D1-80B4-00C04FD430C8",)"
                                           R"("role":"system","text":""}])"));
        QVERIFY(!ChatCodec::decodeMessages(ChatCodec::encodeSessions({sampleSession()})));
    }
};

VELM_TEST_MAIN(TestChatCodec)
#include "tst_chatcodec.moc"
