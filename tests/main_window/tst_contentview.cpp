#include "../chat/controllerfixture.h"

#include "main_window/chatscrollview.h"
#include "main_window/composertextedit.h"
#include "main_window/composerview.h"
#include "main_window/contentview.h"
#include "main_window/messagelistview.h"
#include "main_window/newchatview.h"
#include "main_window/sidebarlistview.h"
#include "main_window/sidebarrenamefield.h"
#include "main_window/sidebarview.h"
#include "main_window/storenoticebanner.h"
#include "support/storedchats.h"
#include "support/testregistry.h"
#include "widgets/systemappearance.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

class TestContentView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void composerFollowsThePage();
    void sidebarStartsHiddenAndToggles();
    void f6MovesBetweenRegions();
    void defaultSizeRestoredOnceAfterOnboarding();
    void viewStateFollowsTheController();
    void damagedStoreIsToldUntilDismissed();
    void unreadableStoreKeepsChatsUntilFixed();
};

namespace {

// The main window's content over the fixture's controller, at its default size. No portal:
// the application palette stands for the desktop.
struct Window
{
    explicit Window(ControllerFixture &fixture, bool show = true)
        : view(fixture.controller(), fixture.settings(), appearance)
    {
        if (!show)
            return;
        view.resize(1100, 760);
        view.show();
    }

    SystemAppearance appearance{QDBusConnection(u"no-bus"_s)};
    ContentView view;
};

// The page the detail area shows.
QWidget *shownPage(const ContentView &view)
{
    return view.findChild<QStackedWidget *>()->currentWidget();
}

QString bannerText(const StoreNoticeBanner *banner)
{
    QStringList texts;
    for (const QLabel *label : banner->findChildren<QLabel *>()) {
        // Paths and system messages must never be read as markup.
        if (!label->text().isEmpty() && label->textFormat() != Qt::PlainText)
            return u"a label that reads markup: "_s + label->text();
        texts.append(label->text());
    }
    return texts.join(u'\n');
}

bool isAncestor(const QWidget *ancestor, const QWidget *widget)
{
    return ancestor->isAncestorOf(widget);
}

} // namespace

void TestContentView::initTestCase()
{
    qputenv("VELM_NO_ANIMATIONS", "1");
}

void TestContentView::composerFollowsThePage()
{
    ControllerFixture fixture;
    const ChatSession chat = conversation({u"Hello"_s, u"Hi there"_s});
    fixture.store({chat});
    ConversationController &controller = fixture.controller();
    Window window(fixture);
    ContentView &view = window.view;
    QCOMPARE(shownPage(view), view.newChatView());
    QVERIFY(isAncestor(view.newChatView(), view.composer()));

    controller.setDraft(u"half a thought"_s);
    controller.selectSession(chat.id);
    QCOMPARE(shownPage(view), view.messageList()->parentWidget());
    QVERIFY(isAncestor(shownPage(view), view.composer()));
    QVERIFY(view.composer()->isVisible());

    // Deleting the open conversation returns to the new-chat screen, composer and all.
    controller.deleteSession(chat.id);
    QCOMPARE(shownPage(view), view.newChatView());
    QVERIFY(isAncestor(view.newChatView(), view.composer()));
    QVERIFY(view.composer()->isVisible());
}

void TestContentView::sidebarStartsHiddenAndToggles()
{
    ControllerFixture fixture;
    Window window(fixture);
    ContentView &view = window.view;
    QCOMPARE(view.sidebarWidth(), 0);
    view.toggleSidebarAction()->trigger();
    QVERIFY(view.sidebarWidth() > 0);
    view.toggleSidebarAction()->trigger();
    QCOMPARE(view.sidebarWidth(), 0);

    // Its button is named, reached with Tab and pressed with Space.
    QToolButton *button = nullptr;
    for (QToolButton *candidate : view.findChildren<QToolButton *>()) {
        if (candidate->accessibleName() == u"Toggle Sidebar"_s)
            button = candidate;
    }
    QVERIFY(button);
    QVERIFY(button->focusPolicy() & Qt::TabFocus);
    QVERIFY(!button->icon().isNull());
    button->setFocus(Qt::TabFocusReason);
    QTest::keyClick(button, Qt::Key_Space);
    QTRY_VERIFY(view.sidebarWidth() > 0);
}

// F6 and Shift+F6 move the keyboard between the sidebar, the conversation and the composer,
// passing over what is not shown.
void TestContentView::f6MovesBetweenRegions()
{
    ControllerFixture fixture;
    const ChatSession chat = conversation({u"Hello"_s, u"Hi."_s});
    fixture.store({chat});
    Window window(fixture);
    ContentView &view = window.view;
    view.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&view));
    fixture.controller().selectSession(chat.id);
    view.composer()->focusTextField();
    QTRY_VERIFY(view.composer()->textEdit()->hasFocus());

    // The sidebar is hidden: the conversation, then the composer again.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
    QCOMPARE(QApplication::focusWidget(), view.messageList()->scrollView()->widget());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
    QCOMPARE(QApplication::focusWidget(), view.composer()->textEdit());

    view.toggleSidebarAction()->trigger();
    QTRY_VERIFY(view.sidebarWidth() > 0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
    QCOMPARE(QApplication::focusWidget(), view.sidebar()->listView());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
    QCOMPARE(QApplication::focusWidget(), view.messageList()->scrollView()->widget());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), view.sidebar()->listView());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), view.composer()->textEdit());
}

void TestContentView::defaultSizeRestoredOnceAfterOnboarding()
{
    ControllerFixture fixture;
    Window window(fixture, false);
    ContentView &view = window.view;
    QVERIFY(!view.viewState().shouldRestoreMainWindowFromOnboarding());
    view.viewState().setShouldRestoreMainWindowFromOnboarding(true);
    view.resize(900, 600);
    view.show();
    QCOMPARE(view.size(), QSize(1100, 760));
    QVERIFY(!view.viewState().shouldRestoreMainWindowFromOnboarding());

    // Only once: the user's own size stays.
    view.resize(1000, 700);
    view.hide();
    view.show();
    QCOMPARE(view.size(), QSize(1000, 700));
}

// How the chat is shown is the views' own state, which the controller's selection and resets
// return to its start.
void TestContentView::viewStateFollowsTheController()
{
    ControllerFixture fixture;
    const ChatSession chat = conversation({u"Hello"_s, u"Hi there"_s});
    fixture.store({chat});
    ConversationController &controller = fixture.controller();
    Window window(fixture);
    ContentView &view = window.view;
    ChatViewState &state = view.viewState();

    // Another conversation starts unscrolled; the same one again stays where it was.
    state.setChatTitleBlurProgress(0.6);
    controller.selectSession(chat.id);
    QCOMPARE(state.chatTitleBlurProgress(), 0.0);
    state.setChatTitleBlurProgress(0.6);
    controller.selectSession(chat.id);
    QCOMPARE(state.chatTitleBlurProgress(), 0.6);

    // A reset of the first-run flow: columns and title back to their start, and the window
    // returns to its default size when the chat shows again.
    view.toggleSidebarAction()->trigger();
    QCOMPARE(state.columnVisibility(), ChatViewState::ColumnVisibility::All);
    view.hide();
    fixture.settings().setHasCompletedOnboarding(false);
    QCOMPARE(state.columnVisibility(), ChatViewState::ColumnVisibility::DetailOnly);
    QCOMPARE(state.chatTitleBlurProgress(), 0.0);
    QCOMPARE(view.sidebarWidth(), 0);
    QVERIFY(state.shouldRestoreMainWindowFromOnboarding());

    // Completing it again resets the columns too, and leaves the size to the flow's end.
    view.toggleSidebarAction()->trigger();
    state.setChatTitleBlurProgress(0.6);
    fixture.settings().setHasCompletedOnboarding(true);
    QCOMPARE(state.columnVisibility(), ChatViewState::ColumnVisibility::DetailOnly);
    QCOMPARE(state.chatTitleBlurProgress(), 0.0);
    view.resize(900, 600);
    view.show();
    QCOMPARE(view.size(), QSize(1100, 760));
    QVERIFY(!state.shouldRestoreMainWindowFromOnboarding());
}

// A damaged store used to open an empty window and say why only on standard error.
void TestContentView::damagedStoreIsToldUntilDismissed()
{
    ControllerFixture fixture;
    const QString file = fixture.settings().dataFilePath(u"chatSessions");
    QFile damaged(file);
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("[{\"id\":\"<b>not</b> a chat");
    damaged.close();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not be read"_s));
    Window window(fixture);
    ContentView &view = window.view;

    StoreNoticeBanner *banner = view.storeNotice();
    QVERIFY(banner->isVisible());
    const QString backup = fixture.store().lastBackupPath();
    QVERIFY(QFile::exists(backup));
    const QString text = bannerText(banner);
    QVERIFY2(text.contains(u"could not be read"_s), qPrintable(text));
    QVERIFY2(text.contains(QDir::toNativeSeparators(backup)), qPrintable(text));
    QVERIFY(banner->helpButton()->isVisible());
    QVERIFY(!banner->retryButton()->isVisible());
    QVERIFY(!banner->accessibleName().isEmpty());

    // It stays through what else happens, until dismissed; reading the same damaged bytes
    // again does not bring it back.
    fixture.events().postChatsDidChangeExternally();
    QVERIFY(banner->isVisible());
    banner->dismissButton()->setFocus();
    QTest::keyClick(banner->dismissButton(), Qt::Key_Space);
    QVERIFY(!banner->isVisible());
    fixture.events().postChatsDidChangeExternally();
    QVERIFY(!banner->isVisible());
}

// A store that cannot be read is not replaced by what the window writes meanwhile, and what
// the user wrote meanwhile is not lost once it can be read again.
void TestContentView::unreadableStoreKeepsChatsUntilFixed()
{
    ControllerFixture fixture;
    QVERIFY(fixture.isValid());
    const QString file = ChatStore::path(fixture.settings());
    QVERIFY(QDir().mkpath(file));
    ConversationController &controller = fixture.controller();
    Window window(fixture);
    ContentView &view = window.view;
    StoreNoticeBanner *banner = view.storeNotice();
    QVERIFY(banner->isVisible());
    QVERIFY(banner->retryButton()->isVisible());
    QVERIFY2(bannerText(banner).contains(QDir::toNativeSeparators(file)),
             qPrintable(bannerText(banner)));

    fixture.model().setStream({u"Kept in the window."_s});
    controller.setDraft(u"Written while the store was out of reach"_s);
    controller.sendMessage();
    QVERIFY(fixture.waitUntilIdle());
    QVERIFY(QFileInfo(file).isDir());
    QCOMPARE(controller.sessions().size(), 1);
    QVERIFY(banner->isVisible());

    // The user puts the file back.
    QVERIFY(QDir(file).removeRecursively());
    const ChatSession earlier = conversation({u"Earlier"_s});
    QVERIFY(StoredChats::write(fixture.settings(), {earlier}));
    banner->retryButton()->click();

    QVERIFY(!banner->isVisible());
    const QList<ChatSession> stored = fixture.stored();
    QCOMPARE(stored.size(), 2);
    QCOMPARE(stored.at(0).messages.at(0).text, u"Written while the store was out of reach"_s);
    QCOMPARE(stored.at(0).messages.size(), 2);
    QCOMPARE(stored.at(1), earlier);
    QCOMPARE(fixture.shown(), stored);
}

VELM_TEST_MAIN(TestContentView)
#include "tst_contentview.moc"
