#include "../chat/controllerfixture.h"

#include "settings/chatmanagementtab.h"
#include "support/testregistry.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The Chats tab of the settings window and the main window's controller over the one list,
// as the app has them.
struct Shared
{
    explicit Shared(const QList<ChatSession> &stored)
    {
        fixture.store(stored);
        tab = std::make_unique<ChatManagementTab>(fixture.chatList(), fixture.events());
        tab->show();
    }

    ConversationController &controller() { return fixture.controller(); }

    QList<QUuid> archivedInTab() const
    {
        QList<QUuid> ids;
        for (const ChatSession &session : tab->archivedSessions())
            ids.append(session.id);
        return ids;
    }

    ControllerFixture fixture;
    std::unique_ptr<ChatManagementTab> tab;
};

} // namespace

class TestChatListSharing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qputenv("VELM_NO_ANIMATIONS", "1"); }

    // Neither window reads the store to learn of the other's change, and nothing is posted
    // for them: they show one list.
    void eachSeesTheOthersChangeAtOnce()
    {
        const ChatSession open = conversation({u"Open in the window"_s, u"Yes"_s});
        const ChatSession archived = conversation({u"Archived"_s}, true);
        Shared s({open, archived});
        QVERIFY(s.fixture.isValid());
        ConversationController &c = s.controller();
        c.selectSession(open.id);
        QSignalSpy posted(&s.fixture.events(), &AppEvents::chatsDidChangeExternally);

        c.setArchived(open.id, true);
        QCOMPARE(s.archivedInTab(), (QList<QUuid>{open.id, archived.id}));

        s.tab->restore(archived.id);
        QVERIFY(!c.session(archived.id)->isArchived);
        QCOMPARE(s.archivedInTab(), QList<QUuid>{open.id});

        // Deleting the chat the window has open closes it there.
        s.tab->deletePermanently(open.id);
        QVERIFY(!c.session(open.id));
        QVERIFY(!c.sidebarItem());

        QCOMPARE(posted.size(), 0);
        QCOMPARE(s.fixture.stored(), s.fixture.shown());
        QCOMPARE(s.tab->sessions(), c.sessions());
    }

    // The tab's change is saved while the window's answer streams; the answer goes on in
    // memory and is saved whole when it ends.
    void tabChangeKeepsTheStreamingAnswer_data()
    {
        QTest::addColumn<bool>("deleteAll");
        QTest::newRow("restore") << false;
        QTest::newRow("delete all") << true;
    }

    void tabChangeKeepsTheStreamingAnswer()
    {
        QFETCH(bool, deleteAll);
        const ChatSession archived = conversation({u"Archived"_s}, true);
        Shared s({archived});
        QVERIFY(s.fixture.isValid());
        s.fixture.model().setStreamResponse(
            FakeModelServer::slowStream({u"one "_s, u"two "_s, u"three "_s, u"four"_s}, 200));
        ConversationController &c = s.controller();
        c.setDraft(u"Count"_s);
        c.sendMessage();
        const QUuid answering = *c.sidebarItem();
        QTRY_VERIFY_WITH_TIMEOUT(c.session(answering)->messages.size() == 2
                                     && !c.session(answering)->messages.at(1).text.isEmpty(),
                                 10000);

        if (deleteAll) {
            s.tab->deleteAllChats();
            QVERIFY(!c.session(archived.id));
        } else {
            s.tab->restore(archived.id);
            QVERIFY(!s.fixture.storedSession(archived.id)->isArchived);
        }
        QCOMPARE(c.session(answering)->messages.size(), 2);
        QVERIFY(c.isLoading());

        QVERIFY(s.fixture.waitUntilIdle());
        const std::optional<ChatSession> stored = s.fixture.storedSession(answering);
        QVERIFY(stored);
        QCOMPARE(stored->messages.size(), 2);
        QCOMPARE(stored->messages.at(1).text, u"one two three four"_s);
        QCOMPARE(s.fixture.storedSession(archived.id).has_value(), !deleteAll);
        QCOMPARE(s.fixture.stored(), s.fixture.shown());
    }
};

VELM_TEST_MAIN(TestChatListSharing)

#include "tst_chatlistsharing.moc"
