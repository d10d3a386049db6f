#include "../core/controllerfixture.h"

#include "main_window/composerview.h"
#include "main_window/contentview.h"
#include "main_window/messagelistview.h"
#include "main_window/newchatview.h"

#include <QAction>
#include <QApplication>
#include <QStackedWidget>
#include <QTest>

using namespace Qt::StringLiterals;

class TestContentView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void scheme_data();
    void scheme();
    void composerFollowsThePage();
    void sidebarStartsHiddenAndToggles();
    void defaultSizeRestoredOnceAfterOnboarding();
};

namespace {

// The page the detail area shows.
QWidget *shownPage(const ContentView &view)
{
    return view.findChild<QStackedWidget *>()->currentWidget();
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

void TestContentView::scheme_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("dark");

    QTest::newRow("dark") << u"dark"_s << true;
    QTest::newRow("light") << u"light"_s << false;
    QTest::newRow("unknown reads as dark") << u"sepia"_s << true;
}

void TestContentView::scheme()
{
    QFETCH(QString, stored);
    QFETCH(bool, dark);

    ControllerFixture fixture;
    ContentView view(&fixture.controller(), &fixture.settings(), nullptr);
    fixture.settings().setAppTheme(stored);
    QCOMPARE(view.isDark(), dark);
    // The composer is drawn in the window's scheme wherever it sits.
    QCOMPARE(view.composer()->palette().color(QPalette::Window),
             view.palette().color(QPalette::Window));
}

void TestContentView::composerFollowsThePage()
{
    ControllerFixture fixture;
    const ChatSession chat = conversation({u"Hello"_s, u"Hi there"_s});
    fixture.store({chat});
    ConversationController &controller = fixture.controller();
    ContentView view(&controller, &fixture.settings(), nullptr);
    view.resize(1100, 760);
    view.show();
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
    ContentView view(&fixture.controller(), &fixture.settings(), nullptr);
    view.resize(1100, 760);
    view.show();
    QCOMPARE(view.sidebarWidth(), 0);
    view.toggleSidebarAction()->trigger();
    QCOMPARE(view.sidebarWidth(), 240);
    view.toggleSidebarAction()->trigger();
    QCOMPARE(view.sidebarWidth(), 0);
}

void TestContentView::defaultSizeRestoredOnceAfterOnboarding()
{
    ControllerFixture fixture;
    ConversationController &controller = fixture.controller();
    controller.setShouldRestoreMainWindowFromOnboarding(true);
    ContentView view(&controller, &fixture.settings(), nullptr);
    view.resize(900, 600);
    view.show();
    QCOMPARE(view.size(), QSize(1100, 760));
    QVERIFY(!controller.shouldRestoreMainWindowFromOnboarding());

    // Only once: the user's own size stays.
    view.resize(1000, 700);
    view.hide();
    view.show();
    QCOMPARE(view.size(), QSize(1000, 700));
}

QTEST_MAIN(TestContentView)
#include "tst_contentview.moc"
