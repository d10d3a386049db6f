#include "../chat/controllerfixture.h"

#include "main_window/archivedbanner.h"
#include "main_window/assistantmessagerow.h"
#include "main_window/chatfloatingtitlebar.h"
#include "main_window/chatscrollview.h"
#include "main_window/chatviewstate.h"
#include "main_window/copybutton.h"
#include "main_window/messagelistrows.h"
#include "main_window/messagelistview.h"
#include "main_window/searchingrow.h"
#include "main_window/thinkingrow.h"
#include "main_window/usermessagerow.h"
#include "markdown/view/markdownview.h"
#include "support/testregistry.h"
#include "widgets/appcolors.h"

#include <QApplication>
#include <QClipboard>
#include <QEnterEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int waitMs = 10000;

ChatMessage user(const QString &text)
{
    return ChatMessage(ChatMessage::Role::User, text);
}

ChatMessage assistant(const QString &text)
{
    return ChatMessage(ChatMessage::Role::Assistant, text);
}

ChatSession sessionOf(const QList<ChatMessage> &messages, bool archived = false)
{
    ChatSession session = ChatSession::create(QDateTime(QDate(2025, 1, 2), QTime(3, 4), Qt::UTC));
    session.messages = messages;
    session.isArchived = archived;
    return session;
}

// A conversation of `count` messages, user and assistant in turn.
ChatSession longSession(int count)
{
    QList<ChatMessage> messages;
    for (int i = 0; i < count; ++i) {
        const QString n = QString::number(i);
        messages.append(i % 2 == 0 ? user(u"Question "_s + n)
                                   : assistant(u"## Answer "_s + n
                                               + u"\n\nA paragraph that takes a line or two of the "
                                                 "column, and a list:\n\n- one\n- two\n"_s));
    }
    return sessionOf(messages);
}

// The conversation view of a controller, shown in the dark scheme.
struct Window
{
    explicit Window(ConversationController &controller)
        : view(controller, state)
    {
        view.setPalette(AppColors::palette(true));
        view.resize(820, 600);
        view.show();
    }

    // The window with `session` stored and open before it shows.
    Window(ControllerFixture &fixture, const ChatSession &session)
        : Window(opened(fixture, session))
    { }

    static ConversationController &opened(ControllerFixture &fixture, const ChatSession &session)
    {
        fixture.store({session});
        fixture.controller().selectSession(session.id);
        return fixture.controller();
    }

    ChatScrollView *scroll() const { return view.scrollView(); }
    MessageRow *row(const QUuid &id) const { return scroll()->messageRow(id); }

    ChatViewState state;
    MessageListView view;
};

QString shownText(MessageRow *row)
{
    auto *answer = qobject_cast<AssistantMessageRow *>(row);
    return answer ? answer->markdownView()->text() : QString();
}

bool copyButtonShown(MessageRow *row)
{
    return row->copyButton()->isVisibleTo(row) && row->copyButton()->isRevealed();
}

} // namespace

class TestMessageList : public QObject
{
    Q_OBJECT

public:
    // State changes land at once instead of animating.
    static void initMain() { qputenv("VELM_NO_ANIMATIONS", "1"); }

private Q_SLOTS:
    void rowsKeepTheirWidgetAcrossReloads();
    void copyButtonPutsTheTextOnTheClipboard_data();
    void copyButtonPutsTheTextOnTheClipboard();
    void archivingTheOpenChatShowsTheBanner();
    void streamingAnswerShowsTheCursor_data();
    void streamingAnswerShowsTheCursor();
    void searchingRowGivesWayToThinkingRow();
    void longChatBuildsOnlyRowsNearTheViewport();
};

void TestMessageList::rowsKeepTheirWidgetAcrossReloads()
{
    ControllerFixture f;
    QVERIFY(f.isValid());
    const ChatSession session = sessionOf({user(u"Hi"_s), assistant(u"Hello."_s), user(u"And?"_s)});
    Window window(f, session);
    ConversationController &c = f.controller();

    QList<QPointer<MessageRow>> before;
    for (const ChatMessage &message : session.messages) {
        before.append(window.row(message.id));
        QVERIFY(before.constLast());
    }
    // Another window changed the list (a rename); the same messages keep the same rows.
    ChatSession renamed = session;
    renamed.customTitle = u"Greetings"_s;
    f.store({renamed});
    c.chatList().reload();
    QCoreApplication::processEvents();
    for (qsizetype i = 0; i < session.messages.size(); ++i) {
        QVERIFY(before.at(i));
        QCOMPARE(window.row(session.messages.at(i).id), before.at(i).data());
    }
    QCOMPARE(window.view.titleBar()->title(), u"Greetings"_s);
}

void TestMessageList::copyButtonPutsTheTextOnTheClipboard_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("user bubble") << 0;
    QTest::newRow("answer") << 1;
}

void TestMessageList::copyButtonPutsTheTextOnTheClipboard()
{
    QFETCH(int, index);
    ControllerFixture f;
    QVERIFY(f.isValid());
    const ChatSession session
        = sessionOf({user(u"Copy *me*\nplease"_s), assistant(u"**Bold** answer"_s)});
    Window window(f, session);
    QGuiApplication::clipboard()->clear();

    MessageRow *row = window.row(session.messages.at(index).id);
    QVERIFY(row);
    CopyButton *button = row->copyButton();
    // A bubble's button takes no clicks until the pointer is over it.
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(row, &enter);
    QVERIFY(button->isRevealed());

    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), session.messages.at(index).text);
    QVERIFY(row->isCopied());
    QTRY_VERIFY_WITH_TIMEOUT(!row->isCopied(), waitMs);
}

void TestMessageList::archivingTheOpenChatShowsTheBanner()
{
    ControllerFixture f;
    QVERIFY(f.isValid());
    const ChatSession session = sessionOf({user(u"Keep this"_s), assistant(u"Kept."_s)});
    Window window(f, session);
    ConversationController &c = f.controller();
    ArchivedBanner *banner = window.view.archivedBanner();
    QVERIFY(!banner->isVisible());

    c.setArchived(session.id, true);
    QVERIFY(banner->isVisible());
    QCOMPARE(c.sidebarItem(), std::optional<QUuid>(session.id));
    QVERIFY(window.row(session.messages.at(0).id));

    QTest::mouseClick(banner->restoreButton(), Qt::LeftButton);
    QVERIFY(!c.session(session.id)->isArchived);
    QVERIFY(!banner->isVisible());
}

void TestMessageList::streamingAnswerShowsTheCursor_data()
{
    QTest::addColumn<QStringList>("pieces");
    QTest::addColumn<QString>("whileStreaming");
    QTest::addColumn<QString>("answer");
    // The stream pauses after its first event, long enough to look at the row.
    QTest::newRow("text") << QStringList{u"Hel"_s, u"lo\n"_s} << u"Hel ▋"_s << u"Hello\n"_s;
    QTest::newRow("empty answer") << QStringList{} << u" ▋"_s << QString();
}

void TestMessageList::streamingAnswerShowsTheCursor()
{
    QFETCH(QStringList, pieces);
    QFETCH(QString, whileStreaming);
    QFETCH(QString, answer);
    ControllerFixture f;
    QVERIFY(f.isValid());
    f.model().setStreamResponse(FakeModelServer::slowStream(pieces, 1500));
    ConversationController &c = f.controller();
    Window window(c);
    c.setDraft(u"Say hello"_s);
    c.sendMessage();

    const QUuid session = *c.sidebarItem();
    auto answerRow = [&]() -> MessageRow * {
        const std::optional<ChatSession> current = c.session(session);
        if (!current || current->messages.size() < 2)
            return nullptr;
        return window.row(current->messages.at(1).id);
    };
    QTRY_VERIFY_WITH_TIMEOUT(answerRow() && shownText(answerRow()) == whileStreaming, waitMs);
    QVERIFY(answerRow()->isStreaming());
    QVERIFY(!copyButtonShown(answerRow()));

    QVERIFY(f.waitUntilIdle());
    QCoreApplication::processEvents();
    MessageRow *row = answerRow();
    QVERIFY(row);
    QCOMPARE(shownText(row), answer);
    QVERIFY(!row->isStreaming());
    // An answer that ended empty has nothing to copy.
    QCOMPARE(copyButtonShown(row), !answer.isEmpty());
}

void TestMessageList::searchingRowGivesWayToThinkingRow()
{
    ControllerFixture f;
    QVERIFY(f.isValid());
    f.settings().setWebSearchMode(u"always"_s);
    // The search keeps the user waiting a while.
    f.searxng().serveResultsAfter(1500, FakeSearxngServer::numberedResults(2));
    f.model().setStream({u"Found it."_s});
    ConversationController &c = f.controller();
    Window window(c);
    bool thinkingShown = false;
    connect(&c, &ConversationController::isSearchingChanged, &window.view, [&] {
        ChatScrollView *scroll = window.scroll();
        auto *thinking
            = qobject_cast<ThinkingRow *>(scroll->rowWidget(MessageListRows::thinkingRowId()));
        thinkingShown = !c.isSearching() && thinking && thinking->isVisible()
            && thinking->isAnimating() && !scroll->rowWidget(MessageListRows::searchingRowId())
            && scroll->rows().constLast().kind == MessageListRow::Kind::Thinking;
    });
    c.setDraft(u"What is new on orbits?"_s);
    c.sendMessage();
    ChatScrollView *scroll = window.scroll();

    QTRY_VERIFY_WITH_TIMEOUT(scroll->rowWidget(MessageListRows::searchingRowId()), waitMs);
    auto *searching
        = qobject_cast<SearchingRow *>(scroll->rowWidget(MessageListRows::searchingRowId()));
    QVERIFY(searching && searching->isVisible() && searching->isAnimating());
    QCOMPARE(searching->text(), u"Searching the web…"_s);
    QCOMPARE(scroll->rows().constLast().kind, MessageListRow::Kind::Searching);

    // The thinking row takes over as the search ends, until the answer's message comes.
    QVERIFY(QTest::qWaitFor([&] { return !c.isSearching(); }, waitMs));
    QVERIFY(thinkingShown);

    QVERIFY(f.waitUntilIdle());
    QCoreApplication::processEvents();
    QVERIFY(!scroll->rowWidget(MessageListRows::thinkingRowId()));
    QCOMPARE(scroll->rowCount(), 2);
}

void TestMessageList::longChatBuildsOnlyRowsNearTheViewport()
{
    ControllerFixture f;
    QVERIFY(f.isValid());
    const ChatSession session = longSession(300);
    f.store({session});
    ConversationController &c = f.controller();
    Window window(c);
    c.selectSession(session.id);
    QTRY_VERIFY_WITH_TIMEOUT(window.scroll()->scrollCount() > 0, waitMs);

    ChatScrollView *scroll = window.scroll();
    QScrollBar *bar = scroll->verticalScrollBar();
    // Opened at its end, with a few screenfuls of rows built.
    QCOMPARE(bar->value(), bar->maximum());
    QVERIFY(scroll->rowWidget(session.messages.constLast().id));
    QVERIFY(!scroll->rowWidget(session.messages.constFirst().id));
    QVERIFY2(scroll->builtRowCount() < 60, qPrintable(QString::number(scroll->builtRowCount())));

    // Reading from the top builds the first rows and lets the last ones go.
    bar->setValue(0);
    QTRY_VERIFY_WITH_TIMEOUT(!scroll->rowWidget(session.messages.constLast().id), waitMs);
    QVERIFY(scroll->rowWidget(session.messages.constFirst().id));
    QVERIFY(scroll->builtRowCount() < 60);

    // An answer far above that grows (another window changed it) leaves the row being read
    // where it is on screen.
    bar->setValue(bar->maximum() / 2);
    QCoreApplication::processEvents();
    QUuid read;
    for (const ChatMessage &message : session.messages) {
        if (scroll->rowGeometry(message.id).top() >= bar->value()) {
            read = message.id;
            break;
        }
    }
    QVERIFY(scroll->rowWidget(read));
    const int onScreen = scroll->rowGeometry(read).top() - bar->value();
    const int contentHeight = scroll->widget()->height();
    ChatSession changed = session;
    changed.messages[1].text = QString(u"A much longer answer.\n\n"_s).repeated(40);
    f.store({changed});
    c.chatList().reload();
    QCoreApplication::processEvents();
    QVERIFY(scroll->widget()->height() > contentHeight);
    QCOMPARE(scroll->rowGeometry(read).top() - bar->value(), onScreen);
}

VELM_TEST_MAIN(TestMessageList)

#include "tst_messagelist.moc"
