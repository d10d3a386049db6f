#include "chat/chatlistoperations.h"
#include "controllerfixture.h"
#include "support/testregistry.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<QString>)
Q_DECLARE_METATYPE(ChatSession)

namespace {

QList<QUuid> ids(const QList<ChatSession> &sessions)
{
    QList<QUuid> list;
    for (const ChatSession &session : sessions)
        list.append(session.id);
    return list;
}

using Sessions = QList<ChatSession>;

} // namespace

class TestChatListOperations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rename_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<QString>>("customTitle");
        QTest::addColumn<QString>("title");
        QTest::newRow("name") << u"  Trip plans \n"_s << std::optional(u"Trip plans"_s)
                              << u"Trip plans"_s;
        QTest::newRow("blanks") << u" \n "_s << std::optional<QString>() << u"Where to go?"_s;
    }

    void rename()
    {
        QFETCH(QString, text);
        QFETCH(std::optional<QString>, customTitle);
        QFETCH(QString, title);
        ControllerFixture f;
        QVERIFY(f.isValid());
        ChatSession session = conversation({u"Where to go?"_s, u"Lisbon"_s});
        session.customTitle = u"Old"_s;
        f.store({session});
        ConversationController &c = f.controller();
        QSignalSpy changes(&f.chatList(), &ChatList::sessionsChanged);

        c.beginRename(session.id);
        QCOMPARE(c.renamingItemId(), session.id);
        c.commitRename(session.id, text);
        QVERIFY(!c.renamingItemId());
        QCOMPARE(c.session(session.id)->customTitle, customTitle);
        QCOMPARE(c.session(session.id)->title(), title);
        QCOMPARE(c.session(session.id)->updatedAt, session.updatedAt);
        QCOMPARE(f.storedSession(session.id)->customTitle, customTitle);
        QCOMPARE(changes.size(), 1);
    }

    // Escape commits the title as shown: it becomes the custom title, so a generated title
    // that arrives later no longer replaces it.
    void escapeKeepsShownTitle()
    {
        ControllerFixture f;
        const ChatSession session = conversation({u"Where to go?"_s});
        f.store({session});
        ConversationController &c = f.controller();
        c.beginRename(session.id);
        c.commitRename(session.id, c.session(session.id)->title());
        QCOMPARE(c.session(session.id)->customTitle, std::optional(u"Where to go?"_s));

        c.applyGeneratedTitle(session.id, u"Travel ideas"_s);
        QCOMPARE(c.session(session.id)->title(), u"Where to go?"_s);
        QCOMPARE(f.storedSession(session.id)->customTitle, std::optional(u"Where to go?"_s));

        const ChatSession untitled = conversation({u"Other"_s});
        f.store(f.stored() << untitled);
        f.events().postChatsDidChangeExternally();
        c.applyGeneratedTitle(untitled.id, u"Travel ideas"_s);
        QCOMPARE(f.storedSession(untitled.id)->customTitle, std::optional(u"Travel ideas"_s));
    }

    void deleteSession_data()
    {
        QTest::addColumn<bool>("deleteOpen");
        QTest::newRow("the open chat") << true;
        QTest::newRow("another chat") << false;
    }

    void deleteSession()
    {
        QFETCH(bool, deleteOpen);
        ControllerFixture f;
        const ChatSession open = conversation({u"Open"_s});
        const ChatSession other = conversation({u"Other"_s});
        f.store({open, other});
        ConversationController &c = f.controller();
        c.selectSession(open.id);
        const QUuid doomed = deleteOpen ? open.id : other.id;
        c.beginRename(doomed);
        QSignalSpy changes(&f.chatList(), &ChatList::sessionsChanged);

        c.deleteSession(doomed);
        QCOMPARE(ids(c.sessions()), QList<QUuid>{deleteOpen ? other.id : open.id});
        QCOMPARE(ids(f.stored()), ids(c.sessions()));
        QCOMPARE(c.sidebarItem(), deleteOpen ? std::optional<QUuid>() : std::optional(open.id));
        QVERIFY(!c.renamingItemId());
        QCOMPARE(changes.size(), 1);
    }

    void archiveOpenChatKeepsItOpen()
    {
        ControllerFixture f;
        const ChatSession session = conversation({u"Keep me"_s, u"ok"_s});
        f.store({session});
        ConversationController &c = f.controller();
        c.selectSession(session.id);
        QSignalSpy changes(&f.chatList(), &ChatList::sessionsChanged);

        c.setArchived(session.id, true);
        QCOMPARE(c.sidebarItem(), session.id);
        QVERIFY(c.session(session.id)->isArchived);
        QVERIFY(f.storedSession(session.id)->isArchived);
        QCOMPARE(c.session(session.id)->updatedAt, session.updatedAt);
        QCOMPARE(changes.size(), 1);

        c.restore(session.id);
        QVERIFY(!f.storedSession(session.id)->isArchived);
        QCOMPARE(changes.size(), 2);
        c.restore(QUuid::createUuid());
        QCOMPARE(changes.size(), 2);
    }

    void importDialogExchange_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("reasoning");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("question and answer") << u" What is 6x7? "_s << u"42\n"_s << QString()
                                             << QStringList{u" What is 6x7? "_s, u"42\n"_s};
        QTest::newRow("answer with its thought") << u"What is 6x7?"_s << u"42"_s << u"Six sevens."_s
                                                 << QStringList{u"What is 6x7?"_s, u"42"_s};
        QTest::newRow("blank answer")
            << u"What is 6x7?"_s << u"  "_s << u"Six sevens."_s << QStringList{u"What is 6x7?"_s};
    }

    void importDialogExchange()
    {
        QFETCH(QString, query);
        QFETCH(QString, answer);
        QFETCH(QString, reasoning);
        QFETCH(QStringList, texts);
        ControllerFixture f;
        QVERIFY(f.isValid());
        f.model().setCompletion(u"Multiplication"_s);
        const ChatSession existing = conversation({u"Earlier"_s});
        f.store({existing});
        ConversationController &c = f.controller();
        QSignalSpy focus(&c, &ConversationController::composerFocusRequested);

        const std::optional<double> seconds
            = reasoning.isEmpty() ? std::nullopt : std::optional(4.2);
        ChatMessage reply(ChatMessage::Role::Assistant, answer);
        reply.reasoning = reasoning;
        reply.thinkingSeconds = seconds;
        QVERIFY(
            f.events().postImportDialogChat(ChatMessage(ChatMessage::Role::User, query), reply));
        QCOMPARE(c.sessions().size(), 2);
        const ChatSession imported = c.sessions().constFirst();
        QCOMPARE(c.sidebarItem(), imported.id);
        QStringList got;
        for (const ChatMessage &message : imported.messages)
            got.append(message.text);
        QCOMPARE(got, texts);
        if (texts.size() == 2) {
            QCOMPARE(imported.messages.last().reasoning, reasoning);
            QCOMPARE(imported.messages.last().thinkingSeconds, seconds);
        }
        QCOMPARE(ids(f.stored()), (QList<QUuid>{imported.id, existing.id}));
        QCOMPARE(f.stored().constFirst().messages, imported.messages);
        QCOMPARE(imported.updatedAt, f.now);
        QVERIFY(!imported.isArchived);

        QTRY_COMPARE_WITH_TIMEOUT(c.session(imported.id)->customTitle,
                                  std::optional(u"Multiplication"_s), 10000);
        QCOMPARE(f.titleRequests().constFirst()[u"messages"][1][u"content"].toString(), query);
        QTRY_VERIFY(!focus.isEmpty());
        QVERIFY(!c.isLoading());
    }

    void importOfBlankQuestionIsIgnored()
    {
        ControllerFixture f;
        ConversationController &c = f.controller();
        c.importDialogExchange(ChatMessage(ChatMessage::Role::User, u" \n"_s),
                               ChatMessage(ChatMessage::Role::Assistant, u"answer"_s));
        QVERIFY(c.sessions().isEmpty());
        QVERIFY(f.stored().isEmpty());
    }

    void reload_data()
    {
        QTest::addColumn<bool>("keepSelected");
        QTest::addColumn<bool>("archiveSelected");
        QTest::newRow("selected chat gone") << false << false;
        QTest::newRow("selected chat archived elsewhere") << true << true;
        QTest::newRow("selected chat unchanged") << true << false;
    }

    void reload()
    {
        QFETCH(bool, keepSelected);
        QFETCH(bool, archiveSelected);
        ControllerFixture f;
        ChatSession selected = conversation({u"Selected"_s});
        const ChatSession other = conversation({u"Other"_s});
        f.store({selected, other});
        ConversationController &c = f.controller();
        c.selectSession(selected.id);

        selected.isArchived = archiveSelected;
        const ChatSession added = conversation({u"Added elsewhere"_s});
        f.store(keepSelected ? QList<ChatSession>{added, selected, other}
                             : QList<ChatSession>{added, other});
        f.events().postChatsDidChangeExternally();
        QCOMPARE(f.shown(), f.stored());
        QCOMPARE(c.sidebarItem(), keepSelected ? std::optional(selected.id) : std::nullopt);
    }

    void openChatSession()
    {
        ControllerFixture f;
        const ChatSession archived = conversation({u"Archived"_s}, true);
        f.store({conversation({u"Plain"_s}), archived});
        ConversationController &c = f.controller();
        QSignalSpy selection(&c, &ConversationController::sidebarItemChanged);

        QVERIFY(f.events().postOpenChatSession(QUuid::createUuid()));
        QVERIFY(!c.sidebarItem());
        QCOMPARE(selection.size(), 0);

        QSignalSpy focus(&c, &ConversationController::composerFocusRequested);
        QVERIFY(f.events().postOpenChatSession(archived.id));
        QCOMPARE(c.sidebarItem(), archived.id);
        QVERIFY(c.session(archived.id)->isArchived);
        QTRY_VERIFY(!focus.isEmpty());
    }

    // A running answer is left alone: it goes on in its own conversation (see
    // newChatKeepsNewestAnswerStoppable).
    void startNewChat()
    {
        ControllerFixture f;
        const ChatSession session = conversation({u"Question"_s});
        f.store({session});
        ConversationController &c = f.controller();
        c.selectSession(session.id);
        QSignalSpy started(&c, &ConversationController::newChatStarted);
        QSignalSpy focus(&c, &ConversationController::composerFocusRequested);

        c.setDraft(u"half-typed"_s);
        c.startNewChat();
        QVERIFY(!c.sidebarItem());
        QCOMPARE(c.draft(), QString());
        // The new-chat screen plays its entrance (see the new-chat view's tests).
        QCOMPARE(started.size(), 1);
        QTRY_VERIFY(!focus.isEmpty());
        QCOMPARE(f.shown(), QList<ChatSession>{session});
    }

    void onboardingChangeResetsAndStops()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        QStringList pieces;
        for (int i = 0; i < 100; ++i)
            pieces.append(u"p "_s);
        f.model().setStreamResponse(FakeModelServer::slowStream(pieces, 100));
        ConversationController &c = f.controller();
        QSignalSpy reset(&c, &ConversationController::windowReset);
        c.setDraft(u"Go"_s);
        c.sendMessage();
        const QUuid id = *c.sidebarItem();
        QTRY_VERIFY_WITH_TIMEOUT(c.session(id)->messages.size() == 2
                                     && !c.session(id)->messages.at(1).text.isEmpty(),
                                 10000);
        const CancellationToken token = c.streamTask()->token;
        const int version = c.streamVersion();
        c.beginRename(id);
        c.setDraft(u"unsent"_s);

        // Writing the same value again is no change.
        f.settings().setHasCompletedOnboarding(true);
        QCOMPARE(c.sidebarItem(), id);
        QCOMPARE(reset.size(), 0);

        f.settings().setHasCompletedOnboarding(false);
        QVERIFY(token.isCancelled());
        QVERIFY(!c.streamTask());
        QVERIFY(!c.isLoading());
        QVERIFY(!c.sidebarItem());
        QCOMPARE(c.draft(), QString());
        QVERIFY(!c.renamingItemId());
        QVERIFY(c.streamVersion() > version);
        // The views return to how they start (see the content view's tests).
        QCOMPARE(reset.size(), 1);
        QCOMPARE(reset.constFirst().constFirst().toBool(), false);
        QTRY_VERIFY_WITH_TIMEOUT(!f.model().http().isConnectionOpen(f.answerConnection(0)), 5000);
        // The stopped answer keeps what it had and is stored.
        QTRY_VERIFY(!f.storedSession(id)->messages.at(1).text.isEmpty());
    }

    // `velm ask --save` and the window used to overwrite each other's chats when their saves
    // came close together: the window wrote its list over one saved a moment before, which
    // it had not reloaded yet.
    void windowSavesKeepWhatOtherProcessesStored()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        f.store({conversation({u"Earlier"_s})});
        ConversationController &c = f.controller();
        const QUuid earlier = c.sessions().at(0).id;

        QProcess writer;
        writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        writer.start(QStringLiteral(VELM_STORE_WRITER),
                     {f.settings().fileName(), f.settings().dataDirectory(), u"cli"_s, u"30"_s});
        // The window keeps changing its list while the other process adds chats; no file
        // watcher tells it of them in between.
        int renames = 0;
        while (writer.state() != QProcess::NotRunning || renames < 5) {
            c.commitRename(earlier, u"Renamed %1"_s.arg(++renames));
            QTest::qWait(5);
        }
        QCOMPARE(writer.exitCode(), 0);
        c.commitRename(earlier, u"Final"_s);

        const QList<ChatSession> stored = f.stored();
        QCOMPARE(stored.size(), 31);
        QCOMPARE(f.storedSession(earlier)->customTitle, std::optional(u"Final"_s));
        // Told of the change, as the file watcher tells it, the window shows what is stored.
        f.chatList().reload();
        QCOMPARE(f.shown(), stored);
    }

    // Another window saves the list while an answer streams; the answer, held only in
    // memory until it ends, must survive the reload that follows.
    void reloadKeepsStreamingAnswer()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        f.model().setStreamResponse(
            FakeModelServer::slowStream({u"one "_s, u"two "_s, u"three "_s, u"four"_s}, 200));
        ConversationController &c = f.controller();
        c.setDraft(u"Count"_s);
        c.sendMessage();
        const QUuid id = *c.sidebarItem();
        QTRY_VERIFY_WITH_TIMEOUT(c.session(id)->messages.size() == 2
                                     && !c.session(id)->messages.at(1).text.isEmpty(),
                                 10000);

        QList<ChatSession> elsewhere = f.stored();
        QCOMPARE(elsewhere.constFirst().messages.size(), 1);
        const ChatSession added = conversation({u"From the settings window"_s});
        elsewhere.append(added);
        f.store(elsewhere);
        f.events().postChatsDidChangeExternally();
        QCOMPARE(c.sessions().size(), 2);
        QCOMPARE(c.session(id)->messages.size(), 2);

        QVERIFY(f.waitUntilIdle());
        const std::optional<ChatSession> stored = f.storedSession(id);
        QCOMPARE(stored->messages.size(), 2);
        QCOMPARE(stored->messages.at(1).text, u"one two three four"_s);
        QVERIFY(f.storedSession(added.id));
    }

    void othersChangeTheChatThatAnswers_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("renamed") << u"rename"_s;
        QTest::newRow("archived") << u"archive"_s;
        // Nobody loses a chat to a race: the answer brings it back whole.
        QTest::newRow("deleted") << u"delete"_s;
    }

    // Another process changes the chat whose answer streams here; its change shows, and the
    // answer is kept and stored when it ends.
    void othersChangeTheChatThatAnswers()
    {
        QFETCH(QString, change);
        ControllerFixture f;
        QVERIFY(f.isValid());
        f.model().setStreamResponse(
            FakeModelServer::slowStream({u"one "_s, u"two "_s, u"three"_s}, 200));
        ConversationController &c = f.controller();
        c.setDraft(u"Count"_s);
        c.sendMessage();
        const QUuid id = *c.sidebarItem();
        QTRY_VERIFY_WITH_TIMEOUT(c.session(id)->messages.size() == 2, 10000);

        ChatStore theirs(f.settings());
        ChatSession record = *theirs.session(id).value();
        if (change == u"delete"_s) {
            QVERIFY(theirs.remove(id));
        } else {
            record.customTitle = u"Named elsewhere"_s;
            record.isArchived = change == u"archive"_s;
            QVERIFY(theirs.save(record, 0, 0));
        }
        f.chatList().reload();
        QCOMPARE(c.session(id)->customTitle,
                 change == u"delete"_s ? std::nullopt : record.customTitle);
        QCOMPARE(c.session(id)->isArchived, change == u"archive"_s);

        QVERIFY(f.waitUntilIdle());
        const std::optional<ChatSession> stored = f.storedSession(id);
        QVERIFY(stored);
        QCOMPARE(stored->messages.size(), 2);
        QCOMPARE(stored->messages.at(0).text, u"Count"_s);
        QCOMPARE(stored->messages.at(1).text, u"one two three"_s);
        QCOMPARE(stored->customTitle, c.session(id)->customTitle);
    }
};

VELM_TEST_MAIN(TestChatListOperations)
#include "tst_chatlistoperations.moc"
