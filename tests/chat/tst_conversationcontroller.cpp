#include "controllerfixture.h"
#include "support/loopback.h"
#include "support/testattachments.h"
#include "support/testregistry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(FakeResponse)

namespace {

using Role = ChatMessage::Role;

QStringList texts(const ChatSession &session)
{
    QStringList list;
    for (const ChatMessage &message : session.messages)
        list.append(message.text);
    return list;
}

QStringList roles(const QJsonObject &request)
{
    QStringList list;
    for (const QJsonValue &message : request.value(u"messages").toArray())
        list.append(message[u"role"].toString());
    return list;
}

QString content(const QJsonObject &request, int index)
{
    return request.value(u"messages").toArray().at(index)[u"content"].toString();
}

// The text of the answer being written in the open conversation.
QString answerSoFar(ConversationController &controller)
{
    const std::optional<ChatSession> session = controller.session(*controller.sidebarItem());
    if (!session || session->messages.size() < 2)
        return QString();
    return session->messages.constLast().text;
}

} // namespace

class TestConversationController : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A question's files go with it, and again with every later question of the chat: the
    // images as content parts, the documents in its text, under the set limit.
    void attachmentsTravelWithTheHistory()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        f.settings().setAttachmentTextLimit(12);
        ConversationController &c = f.controller();
        const Attachment picture = TestAttachments::image(u"chart.png"_s, "PNG");
        const Attachment notes
            = TestAttachments::document(u"notes.txt"_s, u"Revenue rose by 12 % in May."_s);

        QVERIFY(!c.canSend());
        for (qsizetype i = 0; i < Attachment::maxPerQuestion; ++i)
            QVERIFY(c.addAttachment(i == 0 ? picture : notes));
        QVERIFY(!c.addAttachment(notes));
        for (qsizetype i = 2; i < Attachment::maxPerQuestion; ++i)
            c.removeAttachment(2);
        QCOMPARE(c.draftAttachments(), (QList<Attachment>{picture, notes}));
        // A file alone is a question.
        QVERIFY(c.canSend());
        f.model().setStream({u"A chart."_s});
        c.sendMessage();
        QVERIFY(c.draftAttachments().isEmpty());
        QVERIFY(f.waitUntilIdle());
        const ChatSession stored = *f.storedSession(*c.sidebarItem());
        QCOMPARE(stored.messages.at(0).attachments, (QList<Attachment>{picture, notes}));
        // Titled after the file, as it has no text.
        QCOMPARE(content(f.titleRequests().constFirst(), 1), u"chart.png"_s);

        f.model().setStream({u"In May."_s});
        c.setDraft(u"When?"_s);
        c.sendMessage();
        QVERIFY(f.waitUntilIdle());
        QCOMPARE(f.answerRequests().size(), 2);
        const QJsonArray messages = f.answerRequests().constLast().value(u"messages").toArray();
        QCOMPARE(roles(f.answerRequests().constLast()),
                 (QStringList{u"system"_s, u"user"_s, u"assistant"_s, u"user"_s}));
        const QJsonArray parts = messages.at(1)[u"content"].toArray();
        QCOMPARE(parts.size(), 2);
        QCOMPARE(parts.at(0)[u"type"].toString(), u"text"_s);
        QVERIFY(parts.at(0)[u"text"].toString().contains(u"Revenue rose"_s));
        QVERIFY(!parts.at(0)[u"text"].toString().contains(u"in May."_s));
        QCOMPARE(parts.at(1)[u"image_url"][u"url"].toString(), u"data:image/png;base64,UE5H"_s);
        QCOMPARE(content(f.answerRequests().constLast(), 3), u"When?"_s);
    }

    void firstMessageCreatesSelectsAndTitles()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        f.model().setStream({u"Ownership "_s, u"moves values."_s});
        f.model().setCompletion(u"\"Rust ownership basics.\""_s);
        ConversationController &c = f.controller();

        c.setDraft(u"  Explain ownership\n"_s);
        QVERIFY(c.canSend());
        c.sendMessage();
        QCOMPARE(c.draft(), QString());
        QVERIFY(c.isLoading());
        QVERIFY(!c.canSend());
        QCOMPARE(c.sessions().size(), 1);
        const ChatSession created = c.sessions().constFirst();
        QCOMPARE(c.sidebarItem(), created.id);
        QCOMPARE(texts(created), QStringList{u"Explain ownership"_s});
        QCOMPARE(created.updatedAt, f.now);
        // The question is safe before anything can fail.
        QCOMPARE(f.stored(), f.shown());

        QVERIFY(f.waitUntilIdle());
        QTRY_COMPARE(c.session(created.id)->customTitle, std::optional(u"Rust ownership basics"_s));
        QCOMPARE(texts(*c.session(created.id)),
                 (QStringList{u"Explain ownership"_s, u"Ownership moves values."_s}));
        QCOMPARE(f.stored(), f.shown());
        QCOMPARE(f.titleRequests().size(), 1);
        QCOMPARE(content(f.titleRequests().constFirst(), 1), u"Explain ownership"_s);
        QVERIFY(!c.streamTask());

        // A second message asks for no title, and the model hears the whole conversation.
        f.model().setStream({u"By reference."_s});
        c.setDraft(u"And borrowing?"_s);
        c.sendMessage();
        QVERIFY(f.waitUntilIdle());
        QCOMPARE(f.titleRequests().size(), 1);
        QCOMPARE(f.answerRequests().size(), 2);
        const QJsonObject second = f.answerRequests().constLast();
        QCOMPARE(roles(second), (QStringList{u"system"_s, u"user"_s, u"assistant"_s, u"user"_s}));
        QCOMPARE(content(second, 2), u"Ownership moves values."_s);
        QCOMPARE(c.sessions().size(), 1);
        QCOMPARE(texts(c.sessions().constFirst()).size(), 4);
    }

    // A thinking model's thought streams into the answer's message beside its text, is
    // stored with it, and never goes back to the model, nor into the title.
    void thoughtIsKeptButNeverSentBack()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        f.model().setStreamResponse(FakeModelServer::thinkingStream(
            FakeModelServer::Thinking::thinkTags, {u"\nSix "_s, u"sevens.\n"_s}, {u"42"_s}));
        f.model().setCompletion(u"<think>The user multiplies.</think>\n\nMultiplying"_s);
        ConversationController &c = f.controller();
        c.setDraft(u"6x7?"_s);
        c.sendMessage();
        QVERIFY(f.waitUntilIdle());

        const ChatMessage answer = c.sessions().constFirst().messages.constLast();
        QCOMPARE(answer.text, u"42"_s);
        QCOMPARE(answer.reasoning, u"Six sevens."_s);
        QVERIFY(answer.thinkingSeconds.has_value());
        QCOMPARE(f.stored(), f.shown());
        QTRY_COMPARE(c.sessions().constFirst().customTitle, std::optional(u"Multiplying"_s));

        f.model().setStream({u"56"_s});
        c.setDraft(u"And 7x8?"_s);
        c.sendMessage();
        QVERIFY(f.waitUntilIdle());
        const QJsonObject second = f.answerRequests().constLast();
        QCOMPARE(content(second, 2), u"42"_s);
        QVERIFY(!QJsonDocument(second).toJson().contains("sevens"));
    }

    // Stopped while it thinks, the answer keeps its thought and has no text.
    void stopWhileThinkingKeepsTheThought()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        f.model().setStreamResponse(
            FakeModelServer::thinkingStream(FakeModelServer::Thinking::reasoningContent,
                                            QStringList(100, u"hm "_s), {u"42"_s}, 50));
        ConversationController &c = f.controller();
        c.setDraft(u"6x7?"_s);
        c.sendMessage();
        QTRY_VERIFY_WITH_TIMEOUT(
            c.sessions().constFirst().messages.size() == 2
                && !c.sessions().constFirst().messages.constLast().reasoning.isEmpty(),
            10000);
        c.stopStreaming();
        QTRY_VERIFY(!c.isLoading());

        const ChatMessage answer = c.sessions().constFirst().messages.constLast();
        QCOMPARE(answer.text, QString());
        QVERIFY(answer.reasoning.startsWith(u"hm"_s));
        QVERIFY(answer.thinkingSeconds.has_value());
        QCOMPARE(f.stored(), f.shown());
    }

    // Blank drafts are the composer's tests; a second question waits for the first answer.
    void refusesToSendWhileAnswering()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        f.model().setStreamResponse(FakeModelServer::slowStream({u"a"_s, u"b"_s}, 300));
        ConversationController &c = f.controller();
        c.setDraft(u"First"_s);
        c.sendMessage();
        const QList<ChatSession> before = c.sessions();
        c.setDraft(u"Next question"_s);
        QVERIFY(!c.canSend());
        c.sendMessage();
        QCOMPARE(c.draft(), u"Next question"_s);
        QCOMPARE(c.sessions(), before);
        QVERIFY(f.waitUntilIdle());
        QCOMPARE(f.answerRequests().size(), 1);
    }

    void sendingInArchivedChatRestoresIt()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        const ChatSession archived = conversation({u"Old question"_s, u"Old answer"_s}, true);
        f.store({archived});
        ConversationController &c = f.controller();
        c.selectSession(archived.id);
        QSignalSpy changes(&f.chatList(), &ChatList::sessionsChanged);

        c.setDraft(u"Back again"_s);
        c.sendMessage();
        QCOMPARE(changes.size(), 1);
        QVERIFY(!c.session(archived.id)->isArchived);
        QVERIFY(!f.storedSession(archived.id)->isArchived);
        QCOMPARE(f.storedSession(archived.id)->messages.size(), 3);
        QCOMPARE(c.sidebarItem(), archived.id);
        QVERIFY(f.waitUntilIdle());
        QCOMPARE(f.titleRequests().size(), 0);
    }

    void searchContext_data()
    {
        QTest::addColumn<bool>("found");
        QTest::addColumn<QStringList>("sources");
        // Which hits an answer uses is SourceFilter's to say (see its tests).
        QTest::newRow("answer uses a hit") << true << QStringList{u"Lovelace biography"_s};
        QTest::newRow("nothing found") << false << QStringList();
    }

    void searchContext()
    {
        QFETCH(bool, found);
        QFETCH(QStringList, sources);
        const QString answer = u"According to history, Ada Lovelace wrote the first algorithm."_s;
        ControllerFixture f;
        QVERIFY(f.isValid());
        f.settings().setWebSearchMode(u"always"_s);
        QJsonArray hits;
        if (found)
            hits = {FakeSearxngServer::result(u"Lovelace biography"_s,
                                              u"https://history.example.org/ada"_s,
                                              u"Ada Lovelace published an algorithm"_s),
                    FakeSearxngServer::result(u"Cooking pasta"_s, u"https://food.test/pasta"_s,
                                              u"Boil water with salt"_s)};
        f.searxng().serveResults(hits);
        f.model().setStream({answer});
        ConversationController &c = f.controller();
        QSignalSpy searching(&c, &ConversationController::isSearchingChanged);

        c.setDraft(u"Who was Ada Lovelace?"_s);
        c.sendMessage();
        QVERIFY(f.waitUntilIdle());
        QVERIFY(!c.isSearching());
        QCOMPARE(searching.size(), 2);
        QCOMPARE(f.searxng().requests().size(), 1);
        // What the prompt says of the results is QuickAskRequest's and the pipeline's to test.
        QCOMPARE(roles(f.answerRequests().constFirst()).size(), found ? 3 : 2);

        const ChatMessage reply = c.sessions().constFirst().messages.constLast();
        QCOMPARE(reply.text, answer);
        QStringList shown;
        for (const SearchResult &source : reply.sources.value_or(QList<SearchResult>()))
            shown.append(source.title);
        QCOMPARE(shown, sources);
        // No list at all rather than an empty one when nothing is shown.
        QCOMPARE(reply.sources.has_value(), !sources.isEmpty());
        QCOMPARE(f.stored(), f.shown());
    }

    void stopKeepsPartialAnswer()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        QStringList pieces;
        for (int i = 0; i < 100; ++i)
            pieces.append(u"w%1 "_s.arg(i));
        f.model().setStreamResponse(FakeModelServer::slowStream(pieces, 100));
        ConversationController &c = f.controller();
        c.setDraft(u"Count slowly"_s);
        c.sendMessage();
        QTRY_VERIFY_WITH_TIMEOUT(!answerSoFar(c).isEmpty(), 10000);

        const QString partial = answerSoFar(c);
        f.now = f.now.addSecs(10);
        QVERIFY(c.streamTask());
        const CancellationToken token = c.streamTask()->token;
        c.stopStreaming();
        QVERIFY(!c.streamTask());
        QVERIFY(token.isCancelled());
        QTRY_VERIFY(!c.isLoading());

        QCOMPARE(texts(c.sessions().constFirst()), (QStringList{u"Count slowly"_s, partial}));
        QCOMPARE(c.sessions().constFirst().updatedAt, f.now);
        QCOMPARE(f.stored(), f.shown());
        QTRY_VERIFY_WITH_TIMEOUT(!f.model().http().isConnectionOpen(f.answerConnection(0)), 5000);
        QCOMPARE(answerSoFar(c), partial);
    }

    void failures_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("models");
        QTest::addColumn<FakeResponse>("stream");
        QTest::addColumn<QStringList>("replies");

        const QStringList model{u"fake-model"_s};
        const QByteArray partial = FakeModelServer::chunkLine(u"Partial"_s) + "\n\n";
        QTest::newRow("server error after a partial answer")
            << QString() << model
            << FakeResponse::eventStream(partial
                                         + R"(data: {"error":{"message":"Context size exceeded"}})"
                                           "\n\n")
            << QStringList{u"Partial"_s, u"Context size exceeded"_s};

        FakeResponse cut
            = FakeResponse::eventStream(partial + FakeModelServer::chunkLine(u"more"_s));
        cut.dropAfterBytes = partial.size() + 20;
        QTest::newRow("connection lost after a partial answer")
            << QString() << model << cut << QStringList{u"Partial"_s, u"Something went wrong"_s};

        // An answer that ended without a word is kept as an empty one.
        QTest::newRow("empty stream")
            << QString() << model << FakeResponse::eventStream(FakeModelServer::streamBody({}))
            << QStringList{QString()};
        QTest::newRow("no model loaded") << QString() << QStringList() << FakeResponse()
                                         << QStringList{u"Load a model in LM Studio"_s};
        QTest::newRow("nothing listens") << Loopback::closedAddress() << model << FakeResponse()
                                         << QStringList{u"Start LM Studio"_s};
    }

    void failures()
    {
        QFETCH(QString, address);
        QFETCH(QStringList, models);
        QFETCH(FakeResponse, stream);
        QFETCH(QStringList, replies);
        ControllerFixture f;
        QVERIFY(f.isValid());
        if (!address.isEmpty())
            f.settings().setLmStudioServerAddress(address);
        f.model().setModels(models);
        f.model().setStreamResponse(stream);
        ConversationController &c = f.controller();
        c.setDraft(u"Hello"_s);
        c.sendMessage();
        const QDateTime sent = f.now;
        f.now = sent.addSecs(30);
        QVERIFY(f.waitUntilIdle());

        const ChatSession session = c.sessions().constFirst();
        replies.replaceInStrings(u"%1"_s, f.model().address());
        QCOMPARE(texts(session), QStringList{u"Hello"_s} + replies);
        for (const ChatMessage &reply : session.messages.mid(1)) {
            QCOMPARE(reply.role, Role::Assistant);
            QVERIFY(!reply.sources);
        }
        // A refused connection may be known before sendMessage returns; a failure that came
        // from the server certainly dates from after it.
        if (!f.answerRequests().isEmpty())
            QCOMPARE(session.updatedAt, sent.addSecs(30));
        QCOMPARE(f.stored(), f.shown());
        QVERIFY(!c.isSearching());
        QVERIFY(!c.streamTask());
    }

    void renameBeforeGeneratedTitleWins()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        FakeResponse title = FakeResponse::json(FakeModelServer::completionBody(u"Generated"_s));
        title.delayBeforeHeadMs = 500;
        f.model().setCompletionResponse(title);
        f.model().setStream({u"Fine."_s});
        int finishedPosts = 0;
        QObject::connect(&f.network(), &QNetworkAccessManager::finished,
                         [&finishedPosts](QNetworkReply *reply) {
                             if (reply->operation() == QNetworkAccessManager::PostOperation)
                                 ++finishedPosts;
                         });
        ConversationController &c = f.controller();
        c.setDraft(u"How are you?"_s);
        c.sendMessage();
        const QUuid id = *c.sidebarItem();
        c.commitRename(id, u"Mine"_s);

        // The title task resumes within the reply's finished signal, so once both requests
        // have finished and the event loop has turned, the title has been dealt with.
        QTRY_COMPARE_WITH_TIMEOUT(finishedPosts, 2, 10000);
        QVERIFY(f.waitUntilIdle());
        QCOMPARE(f.titleRequests().size(), 1);
        QCOMPARE(c.session(id)->customTitle, std::optional(u"Mine"_s));
        QCOMPARE(f.storedSession(id)->customTitle, std::optional(u"Mine"_s));
    }

    void newChatKeepsNewestAnswerStoppable()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        QStringList longPieces;
        for (int i = 0; i < 200; ++i)
            longPieces.append(u"x"_s);
        int answers = 0;
        f.model().http().route("POST", u"/v1/chat/completions"_s, [&](const FakeRequest &request) {
            if (!QJsonDocument::fromJson(request.body).object().value(u"stream").toBool())
                return FakeResponse::json(FakeModelServer::completionBody(u"Title"_s));
            return ++answers == 1
                ? FakeModelServer::slowStream({u"a"_s, u"b"_s, u"c"_s, u"d"_s}, 150)
                : FakeModelServer::slowStream(longPieces, 100);
        });
        ConversationController &c = f.controller();
        c.setDraft(u"First"_s);
        c.sendMessage();
        const QUuid first = *c.sidebarItem();
        QTRY_VERIFY_WITH_TIMEOUT(!answerSoFar(c).isEmpty(), 10000);

        c.startNewChat();
        QVERIFY(!c.isLoading());
        QVERIFY(!c.sidebarItem());
        c.setDraft(u"Second"_s);
        c.sendMessage();
        const QUuid second = *c.sidebarItem();
        QVERIFY(second != first);
        QVERIFY(c.isLoading());
        const ConversationController::StreamTask task = *c.streamTask();

        // The first answer ends (it is saved then) while the second still streams.
        QTRY_VERIFY_WITH_TIMEOUT(f.storedSession(first)->messages.size() == 2
                                     && f.storedSession(first)->messages.at(1).text == u"abcd"_s,
                                 10000);
        QVERIFY(c.isLoading());
        QVERIFY(c.streamTask());
        QCOMPARE(c.streamTask()->id, task.id);

        c.stopStreaming();
        QVERIFY(task.token.isCancelled());
        QTRY_VERIFY(!c.isLoading());
        QTRY_VERIFY_WITH_TIMEOUT(!f.model().http().isConnectionOpen(f.answerConnection(1)), 5000);
        QVERIFY(c.session(second)->messages.constLast().text.size() < 200);
        QCOMPARE(c.session(first)->messages.at(1).text, u"abcd"_s);
    }

    void streamPulseIsThrottled()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        const ChatSession session = conversation({u"Q"_s, QString()});
        f.store({session});
        ConversationController &c = f.controller();
        QSignalSpy pulses(&c, &ConversationController::streamVersionChanged);
        const QUuid answer = session.messages.at(1).id;

        for (int i = 0; i < 200; ++i)
            c.appendStreamDelta(session.id, answer, u"x"_s);
        QCOMPARE(pulses.size(), 0);
        QTRY_COMPARE(pulses.size(), 1);
        QCOMPARE(c.streamVersion(), 1);
        QCOMPARE(c.session(session.id)->messages.at(1).text, QString(200, u'x'));
        // Pieces are not saved one by one.
        QCOMPARE(f.storedSession(session.id)->messages.at(1).text, QString());

        c.appendStreamDelta(session.id, answer, u"y"_s);
        QTRY_COMPARE(pulses.size(), 2);
        QCOMPARE(c.streamVersion(), 2);
    }

    // The pulse keeps coming while pieces keep coming; it does not wait for a pause.
    void streamPulseDuringSteadyStream()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        f.model().setStreamResponse(FakeModelServer::slowStream(QStringList(40, u"z"_s), 30));
        ConversationController &c = f.controller();
        int whileStreaming = 0;
        connect(&c, &ConversationController::streamVersionChanged, this, [&] {
            if (c.isLoading())
                ++whileStreaming;
        });
        c.setDraft(u"Steady"_s);
        c.sendMessage();
        QVERIFY(f.waitUntilIdle());
        QVERIFY2(whileStreaming >= 2, qPrintable(QString::number(whileStreaming)));
        QCOMPARE(answerSoFar(c), QString(40, u'z'));
    }

    // Closing the window stops what runs; the tasks wake to find the controller gone.
    void controllerGoneMidAnswer_data()
    {
        QTest::addColumn<bool>("searching");
        QTest::newRow("while searching") << true;
        QTest::newRow("while streaming") << false;
    }

    void controllerGoneMidAnswer()
    {
        QFETCH(bool, searching);
        ControllerFixture f;
        QVERIFY(f.isValid());
        f.searxng().serveResultsAfter(5000, FakeSearxngServer::numberedResults(1));
        f.settings().setWebSearchMode(searching ? u"always"_s : u"never"_s);
        f.model().setStreamResponse(FakeModelServer::slowStream(QStringList(100, u"s"_s), 100));
        ConversationController &c = f.controller();
        c.setDraft(u"Question"_s);
        c.sendMessage();
        if (searching)
            QTRY_COMPARE_WITH_TIMEOUT(f.searxng().requests().size(), 1, 10000);
        else
            QTRY_VERIFY_WITH_TIMEOUT(!answerSoFar(c).isEmpty(), 10000);

        f.destroyController();
        FakeHttpServer &server
            = searching ? static_cast<FakeHttpServer &>(f.searxng()) : f.model().http();
        const int connection
            = searching ? f.searxng().requests().constFirst().connection : f.answerConnection(0);
        QTRY_VERIFY_WITH_TIMEOUT(!server.isConnectionOpen(connection), 5000);
        QCOMPARE(f.answerRequests().size(), searching ? 0 : 1);
        QCOMPARE(f.stored().constFirst().messages.size(), 1);
    }

    void greeting_data()
    {
        QTest::addColumn<int>("hour");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("greeting");
        QTest::newRow("4 at night") << 4 << QString() << u"Good evening"_s;
        QTest::newRow("5") << 5 << QString() << u"Good morning"_s;
        QTest::newRow("11") << 11 << u"Ada"_s << u"Good morning, Ada"_s;
        QTest::newRow("12") << 12 << u" Ada \n"_s << u"Good afternoon, Ada"_s;
        QTest::newRow("17") << 17 << QString() << u"Good afternoon"_s;
        QTest::newRow("18") << 18 << u"   "_s << u"Good evening"_s;
    }

    void greeting()
    {
        QFETCH(int, hour);
        QFETCH(QString, name);
        QFETCH(QString, greeting);
        ControllerFixture f;
        // The hour of the user's own clock, whatever zone it runs in.
        f.now = QDateTime(QDate(2025, 6, 1), QTime(hour, 30), Qt::LocalTime);
        ConversationController &c = f.controller();
        QSignalSpy changes(&c, &ConversationController::greetingChanged);
        f.settings().setUserName(name);
        QCOMPARE(changes.size(), 1);
        QCOMPARE(c.greeting(), greeting);
    }
};

VELM_TEST_MAIN(TestConversationController)
#include "tst_conversationcontroller.moc"
