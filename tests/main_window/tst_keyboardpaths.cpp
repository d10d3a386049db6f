#include "chat/controllerfixture.h"

#include "main_window/chatscrollview.h"
#include "main_window/composerview.h"
#include "main_window/contentview.h"
#include "main_window/messagelistview.h"
#include "main_window/sidebarlistview.h"
#include "main_window/sidebarrenamefield.h"
#include "main_window/sidebarview.h"
#include "markdown/view/nativetextview.h"
#include "support/keyboardaudit.h"
#include "support/testregistry.h"
#include "widgets/systemappearance.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

struct Window
{
    explicit Window(ControllerFixture &fixture)
        : view(fixture.controller(), fixture.settings(), appearance)
    {
        // Away from the screen's corner, where a window's own place could pass for a row's.
        view.setGeometry(120, 90, 1100, 760);
        view.show();
        view.activateWindow();
        activated = QTest::qWaitForWindowActive(&view);
    }

    SystemAppearance appearance{QDBusConnection(u"no-bus"_s)};
    ContentView view;
    bool activated = false;
};

// An answer with the parts that are controls of their own: a link, a code block with its
// Copy button, a formula.
ChatSession answeredWithParts()
{
    return conversation({u"Show me"_s,
                         u"See [the docs](https://example.org/docs) and run:\n\n```python\n"
                         u"print(1)\n```\n\nwhere $$e^{i\\pi} + 1 = 0$$"_s});
}

ChatSession answeredWithSources()
{
    ChatSession chat = conversation({u"Who wrote Dune?"_s, u"**Frank Herbert**, in 1965."_s});
    chat.messages.last().sources = QList<SearchResult>{
        SearchResult::create(u"Dune (novel)"_s, u"https://en.wikipedia.org/wiki/Dune_(novel)"_s,
                             u"Dune is a 1965 novel by Frank Herbert."_s),
        SearchResult::create(u"Frank Herbert"_s, u"https://example.org/herbert"_s,
                             u"American author."_s)};
    return chat;
}

} // namespace

class TestKeyboardPaths : public QObject
{
    Q_OBJECT

public:
    static void initMain() { qputenv("VELM_NO_ANIMATIONS", "1"); }

private Q_SLOTS:
    // Every shown control has a name and a role, no keyboard stop is a blank, and every
    // message carries its text, on each screen of the main window.
    void screensSayWhatTheyAre_data()
    {
        QTest::addColumn<bool>("openChat");
        QTest::addColumn<bool>("sidebar");
        QTest::addColumn<QString>("search");
        QTest::newRow("new chat") << false << false << QString();
        QTest::newRow("new chat, sidebar open") << false << true << QString();
        QTest::newRow("answer with sources") << true << false << QString();
        QTest::newRow("answer with sources, sidebar open") << true << true << QString();
        QTest::newRow("searching the chats") << true << true << u"Dune"_s;
    }

    // A code block's Copy is named and comes in the answer's order, above Copy and
    // Regenerate; a formula is no stop that would keep Tab inside it.
    void answerPartsAreStops()
    {
        ControllerFixture fixture;
        const ChatSession chat = answeredWithParts();
        fixture.store({chat});
        Window w(fixture);
        QVERIFY(w.activated);
        fixture.controller().selectSession(chat.id);
        QTRY_COMPARE(KeyboardAudit::focusName(), u"Message"_s);
        // The formula is drawn; it takes no stop of its own.
        const auto formulaShown = [&w] {
            const QList<NativeTextView *> texts = w.view.findChildren<NativeTextView *>();
            return std::any_of(texts.begin(), texts.end(), [](const NativeTextView *text) {
                return !text->formulas().isEmpty() && text->formulasTypeset() && text->isVisible();
            });
        };
        QTRY_VERIFY_WITH_TIMEOUT(formulaShown(), 10000);
        QCOMPARE(KeyboardAudit::accessibilityProblems(&w.view), QStringList());
        QCOMPARE(KeyboardAudit::tabOrder(),
                 (QStringList{u"Message"_s, u"Attach files"_s, u"Web search: Search off"_s,
                              u"Model: Automatic"_s, u"Toggle Sidebar"_s, u"Conversation"_s,
                              u"Edit"_s, u"Copy"_s, u"Copy code"_s, u"Copy"_s, u"Regenerate"_s}));
    }

    void screensSayWhatTheyAre()
    {
        QFETCH(bool, openChat);
        QFETCH(bool, sidebar);
        QFETCH(QString, search);
        ControllerFixture fixture;
        const ChatSession chat = answeredWithSources();
        fixture.store({chat, conversation({u"Older"_s, u"Answer"_s})});
        Window w(fixture);
        QVERIFY(w.activated);
        if (openChat)
            fixture.controller().selectSession(chat.id);
        if (sidebar) {
            w.view.toggleSidebarAction()->trigger();
            QTRY_VERIFY(w.view.sidebarWidth() > 0);
        }
        if (!search.isEmpty()) {
            w.view.searchChatsAction()->trigger();
            QTest::keyClicks(QApplication::focusWidget(), search);
            QTRY_VERIFY(w.view.sidebar()->isSearching());
            QTest::qWait(400);
        }
        QCOMPARE(KeyboardAudit::accessibilityProblems(&w.view), QStringList());
    }

    // Tab goes round the window in the order it stands on screen, whatever order its widgets
    // were made in (a row built as it streamed, sources that came last), and Shift+Tab goes
    // back the same way; the composer has the keyboard at launch and when a chat opens.
    void tabFollowsTheScreen()
    {
        ControllerFixture fixture;
        const ChatSession chat = answeredWithSources();
        fixture.store({chat});
        Window w(fixture);
        QVERIFY(w.activated);
        QCOMPARE(KeyboardAudit::focusName(), u"Message"_s);
        w.view.toggleSidebarAction()->trigger();
        QTRY_VERIFY(w.view.sidebarWidth() > 0);
        fixture.controller().selectSession(chat.id);
        QTRY_COMPARE(KeyboardAudit::focusName(), u"Message"_s);

        const QStringList order{
            u"Message"_s,          u"Attach files"_s,   u"Web search: Search off"_s,
            u"Model: Automatic"_s, u"Toggle Sidebar"_s, u"New Chat"_s,
            u"Settings"_s,         u"Search chats"_s,   u"Chats"_s,
            u"Conversation"_s,     u"Edit"_s,           u"Copy"_s,
            u"Dune (novel)"_s,     u"Frank Herbert"_s,  u"Copy"_s,
            u"Regenerate"_s};
        QCOMPARE(KeyboardAudit::tabOrder(), order);
        QStringList backwards{order.first()};
        for (qsizetype i = order.size() - 1; i > 0; --i)
            backwards.append(order.at(i));
        QCOMPARE(KeyboardAudit::tabOrder(40, true), backwards);
    }

    // A screen reader hears that the model thinks, and the answer once, whole and as plain
    // text, when it has come; not each piece as it streams.
    void answersAreAnnounced()
    {
        ControllerFixture fixture;
        Window w(fixture);
        QVERIFY(w.activated);
        fixture.model().setStreamResponse(FakeModelServer::thinkingStream(
            FakeModelServer::Thinking::reasoningContent, {u"Hmm, "_s, u"a greeting."_s},
            {u"**Hello** "_s, u"there."_s}, 40));
        KeyboardAudit::Announcements announcements;
        fixture.controller().setDraft(u"Hi"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(fixture.controller().isLoading());
        QVERIFY(fixture.waitUntilIdle());
        QCOMPARE(announcements.texts(), (QStringList{u"Thinking"_s, u"Hello there."_s}));
    }

    // A long chat builds rows near the visible part only; a screen reader still finds every
    // message in the conversation's list, in order, with its whole text.
    void wholeLongChatIsReadable()
    {
        QStringList texts;
        for (int i = 0; i < 120; ++i)
            texts.append(
                (i % 2 ? u"Answer %1: **done**. "_s : u"Question %1? "_s).arg(i).repeated(8));
        ControllerFixture fixture;
        const ChatSession chat = conversation(texts);
        fixture.store({chat});
        Window w(fixture);
        fixture.controller().selectSession(chat.id);
        ChatScrollView *view = w.view.messageList()->scrollView();
        QTRY_VERIFY(view->builtRowCount() > 0);
        QVERIFY(view->builtRowCount() < texts.size());

        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(view->widget());
        QCOMPARE(list->childCount(), texts.size());
        for (int i = 0; i < texts.size(); ++i) {
            QAccessibleInterface *item = list->child(i);
            QCOMPARE(item->role(), QAccessible::ListItem);
            QCOMPARE(item->text(QAccessible::Name), i % 2 ? u"velm"_s : u"You"_s);
            QString spoken = texts.at(i);
            if (i % 2)
                spoken.remove(u"**"_s);
            QCOMPARE(item->text(QAccessible::Description).trimmed(), spoken.trimmed());
            QAccessibleTextInterface *text = item->textInterface();
            QVERIFY(text);
            QCOMPARE(text->text(0, text->characterCount()), item->text(QAccessible::Description));
            QCOMPARE(list->indexOfChild(item), i);
        }
    }

    // The chat that is open is the selected row of the list to a screen reader.
    void openChatIsSelected()
    {
        ControllerFixture fixture;
        const ChatSession chat = answeredWithSources();
        const ChatSession older = conversation({u"Older"_s, u"Answer"_s});
        fixture.store({chat, older});
        Window w(fixture);
        w.view.toggleSidebarAction()->trigger();
        fixture.controller().selectSession(older.id);
        QAccessibleInterface *list
            = QAccessible::queryAccessibleInterface(w.view.sidebar()->listView());
        QStringList selected;
        for (int i = 0; i < list->childCount(); ++i) {
            if (list->child(i)->state().selected)
                selected.append(list->child(i)->text(QAccessible::Name));
        }
        QCOMPARE(selected, QStringList{older.title()});
    }
};

VELM_TEST_MAIN(TestKeyboardPaths)
#include "tst_keyboardpaths.moc"
