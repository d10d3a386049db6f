#include "controllerfixture.h"
#include "support/testregistry.h"

#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(FakeResponse)

namespace {

QStringList texts(const QList<ChatMessage> &messages)
{
    QStringList list;
    for (const ChatMessage &message : messages)
        list.append(message.text);
    return list;
}

QStringList versionTexts(const ChatMessage &message)
{
    QStringList list;
    for (const AnswerVersion &version : message.versions)
        list.append(version.text);
    return list;
}

// The turns a request sent after the system prompt.
QStringList history(const QJsonObject &request)
{
    QStringList list;
    const QJsonArray messages = request.value(u"messages").toArray();
    for (qsizetype i = 1; i < messages.size(); ++i)
        list.append(messages.at(i)[u"content"].toString());
    return list;
}

// The fixture's controller with `session` stored and open.
ConversationController &opened(ControllerFixture &fixture, const ChatSession &session)
{
    fixture.store({session});
    fixture.controller().selectSession(session.id);
    return fixture.controller();
}

ChatSession openSession(ConversationController &controller)
{
    return *controller.session(*controller.sidebarItem());
}

} // namespace

class TestAnswerVersions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void regenerateKeepsTheEarlierAnswer_data()
    {
        QTest::addColumn<qsizetype>("chosen");
        QTest::addColumn<QString>("sentAsHistory");
        QTest::newRow("the new version shown") << qsizetype(1) << u"Second try"_s;
        QTest::newRow("back to the first") << qsizetype(0) << u"First try"_s;
    }

    void regenerateKeepsTheEarlierAnswer()
    {
        QFETCH(qsizetype, chosen);
        QFETCH(QString, sentAsHistory);
        ControllerFixture f;
        QVERIFY(f.isValid());
        const ChatSession session = conversation({u"Name a colour"_s, u"First try"_s});
        ConversationController &c = opened(f, session);
        QVERIFY(c.canRegenerate());
        f.model().setStream({u"Second "_s, u"try"_s});
        c.regenerate();
        QVERIFY(f.waitUntilIdle());

        // Asked again from the history before the answer.
        QCOMPARE(history(f.answerRequests().constLast()), QStringList{u"Name a colour"_s});
        ChatMessage answer = openSession(c).messages.constLast();
        QCOMPARE(answer.id, session.messages.constLast().id);
        QCOMPARE(versionTexts(answer), (QStringList{u"First try"_s, u"Second try"_s}));
        QCOMPARE(answer.chosenVersion, 1);
        QCOMPARE(answer.text, u"Second try"_s);
        QCOMPARE(f.stored(), f.shown());

        c.chooseVersion(answer.id, chosen);
        QCOMPARE(f.stored(), f.shown());
        f.model().setStream({u"Blue."_s});
        c.setDraft(u"Why?"_s);
        c.sendMessage();
        QVERIFY(f.waitUntilIdle());
        QCOMPARE(history(f.answerRequests().constLast()),
                 (QStringList{u"Name a colour"_s, sentAsHistory, u"Why?"_s}));

        // Read afresh from the store, as the next start of the app does.
        f.destroyController();
        ChatList reopened(f.store(), f.events());
        answer = reopened.session(session.id)->messages.at(1);
        QCOMPARE(answer.chosenVersion, chosen);
        QCOMPARE(answer.text, sentAsHistory);
        QCOMPARE(versionTexts(answer), (QStringList{u"First try"_s, u"Second try"_s}));
    }

    void regenerationThatEndsEarly_data()
    {
        QTest::addColumn<QStringList>("earlier"); // the versions before; empty for none
        QTest::addColumn<FakeResponse>("stream");
        QTest::addColumn<bool>("stop");
        QTest::addColumn<QStringList>("versions");
        QTest::addColumn<QString>("shown");

        const FakeResponse late = FakeModelServer::slowStream({u"late"_s}, 2000);
        QTest::newRow("stopped before a word")
            << QStringList() << late << true << QStringList() << u"First try"_s;
        // The version the user had chosen shows again, not the newest.
        QTest::newRow("stopped before a word, the first of two chosen")
            << QStringList{u"First try"_s, u"Second try"_s} << late << true
            << QStringList{u"First try"_s, u"Second try"_s} << u"First try"_s;
        const QByteArray error = R"(data: {"error":{"message":"Context size exceeded"}})"
                                 "\n\n";
        QTest::newRow("failed before a word")
            << QStringList() << FakeResponse::eventStream(error) << false
            << QStringList{u"First try"_s, u"Context size exceeded"_s}
            << u"Context size exceeded"_s;
        QTest::newRow("failed after a word")
            << QStringList()
            << FakeResponse::eventStream(FakeModelServer::chunkLine(u"Partial"_s) + "\n\n" + error)
            << false << QStringList{u"First try"_s, u"Partial"_s} << u"Partial"_s;
    }

    void regenerationThatEndsEarly()
    {
        QFETCH(QStringList, earlier);
        QFETCH(FakeResponse, stream);
        QFETCH(bool, stop);
        QFETCH(QStringList, versions);
        QFETCH(QString, shown);
        ControllerFixture f;
        QVERIFY(f.isValid());
        ChatSession session = conversation({u"Name a colour"_s, u"First try"_s});
        for (const QString &text : earlier)
            session.messages.last().versions.append(AnswerVersion{text, {}, {}, {}, {}, {}});
        ConversationController &c = opened(f, session);
        f.model().setStreamResponse(stream);
        c.regenerate();
        if (stop) {
            QTRY_COMPARE(f.answerRequests().size(), 1);
            c.stopStreaming();
        }
        QVERIFY(f.waitUntilIdle());

        const ChatMessage answer = openSession(c).messages.constLast();
        QCOMPARE(openSession(c).messages.size(), 2);
        QCOMPARE(versionTexts(answer), versions);
        QCOMPARE(answer.text, shown);
        QCOMPARE(f.stored(), f.shown());
    }

    void noRegenerationWhileAnswering()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        ConversationController &c = opened(f, conversation({u"Name a colour"_s, u"First try"_s}));
        f.model().setStreamResponse(FakeModelServer::slowStream({u"a"_s, u"b"_s}, 200));
        c.setDraft(u"Another"_s);
        c.sendMessage();
        QVERIFY(!c.canRegenerate());
        c.regenerate();
        QVERIFY(f.waitUntilIdle());
        QCOMPARE(f.answerRequests().size(), 1);
        QCOMPARE(openSession(c).messages.at(1).versions.size(), 0);
        QVERIFY(c.canRegenerate());
    }

    void editAsksAgainAndUndoRestores_data()
    {
        QTest::addColumn<bool>("whileAnswering");
        QTest::newRow("while the new answer streams") << true;
        QTest::newRow("after it ended") << false;
    }

    void editAsksAgainAndUndoRestores()
    {
        QFETCH(bool, whileAnswering);
        ControllerFixture f;
        QVERIFY(f.isValid());
        ChatSession session = conversation({u"Name a colour"_s, u"Red"_s, u"Why?"_s, u"Warm"_s});
        session.customTitle = u"Colours"_s;
        ConversationController &c = opened(f, session);
        const QList<ChatSession> before = f.stored();
        f.model().setStreamResponse(FakeModelServer::slowStream({u"Green "_s, u"is "_s, u"calm."_s},
                                                                whileAnswering ? 300 : 0));
        f.now = f.now.addSecs(60);
        QSignalSpy undoable(&c, &ConversationController::canUndoEditChanged);
        c.beginEdit(session.messages.first().id);
        QCOMPARE(c.editingMessageId(), session.messages.first().id);
        c.submitEdit(session.messages.first().id, u"  Name a calm colour \n"_s);
        QVERIFY(!c.editingMessageId());
        QVERIFY(c.canUndoEdit());
        QCOMPARE(undoable.size(), 1);
        // The question as edited, and nothing after it, went to the model.
        QTRY_COMPARE(f.answerRequests().size(), 1);
        QCOMPARE(history(f.answerRequests().constFirst()), QStringList{u"Name a calm colour"_s});
        QCOMPARE(texts(f.storedSession(session.id)->messages).first(1),
                 QStringList{u"Name a calm colour"_s});
        QCOMPARE(f.storedSession(session.id)->messages.first().id, session.messages.first().id);
        if (!whileAnswering) {
            QVERIFY(f.waitUntilIdle());
            QCOMPARE(texts(openSession(c).messages),
                     (QStringList{u"Name a calm colour"_s, u"Green is calm."_s}));
        }

        c.undoEdit();
        QVERIFY(!c.canUndoEdit());
        QVERIFY(!c.isLoading());
        QVERIFY(!c.streamTask());
        QCOMPARE(f.stored(), before);
        QCOMPARE(c.sessions(), before);
        // The stopped answer's end leaves the restored conversation alone.
        if (whileAnswering)
            QTRY_VERIFY(!f.model().http().isConnectionOpen(f.answerConnection(0)));
        QTest::qWait(50);
        QCOMPARE(f.stored(), before);
        QCOMPARE(c.sessions(), before);
    }

    void blankEditChangesNothing()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        const ChatSession session = conversation({u"Name a colour"_s, u"Red"_s});
        ConversationController &c = opened(f, session);
        c.beginEdit(session.messages.first().id);
        c.submitEdit(session.messages.first().id, u"  \n"_s);
        QVERIFY(!c.editingMessageId());
        QVERIFY(!c.canUndoEdit());
        QCOMPARE(c.sessions(), QList<ChatSession>{session});
        QCOMPARE(f.answerRequests().size(), 0);
    }
};

VELM_TEST_MAIN(TestAnswerVersions)
#include "tst_answerversions.moc"
