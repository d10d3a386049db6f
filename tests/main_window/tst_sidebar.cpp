#include "../chat/controllerfixture.h"

#include "main_window/sidebaremptystate.h"
#include "main_window/sidebarglassbutton.h"
#include "main_window/sidebarheader.h"
#include "main_window/sidebarlistview.h"
#include "main_window/sidebarmodel.h"
#include "main_window/sidebarrenamefield.h"
#include "main_window/sidebarview.h"
#include "support/testregistry.h"
#include "widgets/appcolors.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct StoredChat
{
    QString text;
    int daysAgo = 0;
    bool archived = false;
    std::optional<QString> customTitle;
};

ChatSession stored(const StoredChat &chat, const QDateTime &now)
{
    ChatSession session = conversation({chat.text, u"An answer"_s}, chat.archived);
    session.updatedAt = now.addDays(-chat.daysAgo).addSecs(-60);
    session.customTitle = chat.customTitle;
    return session;
}

// The headers and titles as the list shows them, top to bottom.
QStringList shownTexts(const SidebarModel &model)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row) {
        const QString text = model.data(model.index(row)).toString();
        if (!text.isEmpty())
            texts.append(text);
    }
    return texts;
}

// The sidebar in a window of the dark scheme, on the fixture's controller and clock.
class SidebarWindow
{
public:
    explicit SidebarWindow(ControllerFixture &fixture)
    {
        m_window.setPalette(AppColors::palette(true));
        auto *layout = new QHBoxLayout(&m_window);
        layout->setContentsMargins(0, 0, 0, 0);
        sidebar = new SidebarView(fixture.controller(), &m_window);
        sidebar->setClock([&fixture] { return fixture.now; });
        layout->addWidget(sidebar);
        layout->addStretch();
        m_window.resize(600, 520);
        m_window.show();
        m_window.activateWindow();
    }

    bool isReady() { return QTest::qWaitForWindowActive(&m_window); }
    QWidget &window() { return m_window; }
    SidebarListView &list() { return *sidebar->listView(); }
    const SidebarModel &model() { return *sidebar->listView()->sidebarModel(); }

    SidebarView *sidebar = nullptr;

private:
    QWidget m_window;
};

} // namespace

Q_DECLARE_METATYPE(StoredChat)
Q_DECLARE_METATYPE(std::optional<QString>)

class TestSidebar : public QObject
{
    Q_OBJECT

public:
    // State changes land at once, and the age groups do not depend on the machine's zone.
    static void initMain()
    {
        qputenv("VELM_NO_ANIMATIONS", "1");
        qputenv("TZ", "UTC");
    }

private Q_SLOTS:
    void groupsAndTitles_data();
    void groupsAndTitles();
    void clickSelects();
    void rename_data();
    void rename();
    void renameKeepsTypedTextWhenATitleArrives();
    void renameMovesToAnotherRowWithoutCommitting();
    void oneLineTitles_data();
    void oneLineTitles();
    void rowMenuActsOnItsRow_data();
    void rowMenuActsOnItsRow();
    void keyboardOpensAChat();
    void headerButtons();
};

void TestSidebar::groupsAndTitles_data()
{
    QTest::addColumn<QList<StoredChat>>("chats");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("none") << QList<StoredChat>() << QStringList();
    QTest::newRow("only archived")
        << QList<StoredChat>{{u"Hidden"_s, 0, true, {}}} << QStringList();
    QTest::newRow("every age") << QList<StoredChat>{
        {u"Old question"_s, 40, false, {}},        {u"Plan a trip"_s, 0, false, {}},
        {u"Line one\nline two"_s, 3, false, {}},   {u"Archived today"_s, 0, true, {}},
        {u"Shopping"_s, 1, false, u"Groceries"_s},
    } << QStringList{u"TODAY"_s,     u"Plan a trip"_s,     u"YESTERDAY"_s,
                     u"Groceries"_s, u"PREVIOUS 7 DAYS"_s, u"Line one line two"_s,
                     u"OLDER"_s,     u"Old question"_s};
}

void TestSidebar::groupsAndTitles()
{
    QFETCH(QList<StoredChat>, chats);
    QFETCH(QStringList, texts);
    ControllerFixture fixture;
    QList<ChatSession> sessions;
    for (const StoredChat &chat : chats)
        sessions.append(stored(chat, fixture.now));
    fixture.store(sessions);
    SidebarWindow window(fixture);

    QCOMPARE(shownTexts(window.model()), texts);
    QCOMPARE(window.sidebar->emptyState()->isVisible(), texts.isEmpty());

    // A chat that arrives later (here a Quick Ask import) lands at the top.
    fixture.controller().importDialogExchange(ChatMessage(ChatMessage::Role::User, u"Fresh one"_s),
                                              ChatMessage(ChatMessage::Role::Assistant, QString()));
    QCOMPARE(shownTexts(window.model()).mid(0, 2), (QStringList{u"TODAY"_s, u"Fresh one"_s}));
    QVERIFY(!window.sidebar->emptyState()->isVisible());
}

void TestSidebar::clickSelects()
{
    ControllerFixture fixture;
    const ChatSession first = stored({u"First"_s, 0, false, {}}, fixture.now);
    const ChatSession second = stored({u"Second"_s, 1, false, {}}, fixture.now);
    fixture.store({first, second});
    SidebarWindow window(fixture);

    QTest::mouseClick(window.list().viewport(), Qt::LeftButton, {},
                      window.list().rowRect(second.id).center());
    QCOMPARE(fixture.controller().sidebarItem(), second.id);

    // A group header is not a conversation.
    QTest::mouseClick(window.list().viewport(), Qt::LeftButton, {},
                      window.list().visualRect(window.model().index(0)).center());
    QCOMPARE(fixture.controller().sidebarItem(), second.id);
}

void TestSidebar::rename_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<std::optional<QString>>("customTitle");
    QTest::addColumn<QString>("shown");

    QTest::newRow("return") << u"Road trip"_s << int(Qt::Key_Return)
                            << std::optional(u"Road trip"_s) << u"Road trip"_s;
    QTest::newRow("return blank") << u"   "_s << int(Qt::Key_Return) << std::optional<QString>()
                                  << u"Plan a trip"_s;
    // Escape keeps the name as it was shown, and stores it as the chat's own.
    QTest::newRow("escape") << u"Something else"_s << int(Qt::Key_Escape)
                            << std::optional(u"Plan a trip"_s) << u"Plan a trip"_s;
}

void TestSidebar::rename()
{
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(std::optional<QString>, customTitle);
    QFETCH(QString, shown);
    ControllerFixture fixture;
    const ChatSession chat = stored({u"Plan a trip"_s, 0, false, {}}, fixture.now);
    fixture.store({chat});
    SidebarWindow window(fixture);
    QVERIFY(window.isReady());

    fixture.controller().beginRename(chat.id);
    SidebarRenameField *field = window.sidebar->renameField();
    QVERIFY(field);
    QCOMPARE(field->text(), u"Plan a trip"_s);
    QTRY_VERIFY(field->hasFocus());
    QVERIFY(window.list().rowRect(chat.id).contains(field->geometry().center()));

    field->clear();
    QTest::keyClicks(field, typed);
    QTest::keyClick(field, Qt::Key(key));

    QCOMPARE(fixture.controller().renamingItemId(), std::nullopt);
    QCOMPARE(fixture.storedSession(chat.id)->customTitle, customTitle);
    QCOMPARE(shownTexts(window.model()), (QStringList{u"TODAY"_s, shown}));
    QTRY_VERIFY(!window.sidebar->renameField());
}

void TestSidebar::renameKeepsTypedTextWhenATitleArrives()
{
    ControllerFixture fixture;
    const ChatSession chat = stored({u"Plan a trip"_s, 0, false, {}}, fixture.now);
    fixture.store({chat});
    SidebarWindow window(fixture);

    fixture.controller().beginRename(chat.id);
    SidebarRenameField *field = window.sidebar->renameField();
    QVERIFY(field);
    field->clear();
    QTest::keyClicks(field, u"Mine"_s);
    // The generated title reaches the row while the user types.
    fixture.controller().applyGeneratedTitle(chat.id, u"Generated"_s);
    QCOMPARE(window.sidebar->renameField(), field);
    QCOMPARE(field->text(), u"Mine"_s);

    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(fixture.storedSession(chat.id)->customTitle, std::optional(u"Mine"_s));
}

void TestSidebar::renameMovesToAnotherRowWithoutCommitting()
{
    ControllerFixture fixture;
    const ChatSession first = stored({u"First"_s, 0, false, {}}, fixture.now);
    const ChatSession second = stored({u"Second"_s, 0, false, {}}, fixture.now);
    fixture.store({first, second});
    SidebarWindow window(fixture);

    fixture.controller().beginRename(first.id);
    QVERIFY(window.sidebar->renameField());
    QTest::keyClicks(window.sidebar->renameField(), u"half typed"_s);
    fixture.controller().beginRename(second.id);

    SidebarRenameField *field = window.sidebar->renameField();
    QVERIFY(field);
    QCOMPARE(field->text(), u"Second"_s);
    QVERIFY(window.list().rowRect(second.id).contains(field->geometry().center()));
    QCOMPARE(fixture.controller().session(first.id)->customTitle, std::nullopt);
    // Only one field is open.
    QTRY_COMPARE(window.list().viewport()->findChildren<SidebarRenameField *>().size(), 1);
}

void TestSidebar::oneLineTitles_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("line");

    QTest::newRow("breaks") << u"  First line\r\nsecond\tthird\u2028fourth "_s
                            << u"First line  second third fourth"_s;
    // A long title is cut between characters, never inside one.
    const QString family = u"\U0001F468\u200D\U0001F469\u200D\U0001F467"_s;
    QTest::newRow("long") << family.repeated(200) << family.repeated(160);
}

void TestSidebar::oneLineTitles()
{
    QFETCH(QString, title);
    QFETCH(QString, line);
    QCOMPARE(SidebarRow::oneLine(title), line);
}

void TestSidebar::rowMenuActsOnItsRow_data()
{
    QTest::addColumn<bool>("fromButton");
    QTest::addColumn<QString>("action");

    QTest::newRow("ellipsis Rename") << true << u"Rename"_s;
    QTest::newRow("right-click Archive") << false << u"Archive"_s;
    QTest::newRow("ellipsis Delete") << true << u"Delete"_s;
}

void TestSidebar::rowMenuActsOnItsRow()
{
    QFETCH(bool, fromButton);
    QFETCH(QString, action);
    ControllerFixture fixture;
    const ChatSession open = stored({u"Open one"_s, 0, false, {}}, fixture.now);
    const ChatSession other = stored({u"Other one"_s, 1, false, {}}, fixture.now);
    fixture.store({open, other});
    SidebarWindow window(fixture);
    QVERIFY(window.isReady());
    fixture.controller().selectSession(open.id);

    QWidget *viewport = window.list().viewport();
    const QPoint center = window.list().rowRect(other.id).center();
    if (fromButton) {
        // From elsewhere first: a pointer that is already there does not move.
        QTest::mouseMove(viewport, QPoint(2, 2));
        QTest::mouseMove(viewport, center);
        QTRY_COMPARE(window.list().hoveredId(), std::optional(other.id));
        QTest::mouseClick(viewport, Qt::LeftButton, {},
                          window.list().ellipsisRect(other.id).center());
    } else {
        QContextMenuEvent event(QContextMenuEvent::Mouse, center, viewport->mapToGlobal(center));
        QApplication::sendEvent(viewport, &event);
    }
    // The button opens the menu without selecting the row.
    QCOMPARE(fixture.controller().sidebarItem(), open.id);

    auto *menu = window.sidebar->findChild<QMenu *>();
    QVERIFY(menu);
    QStringList items;
    QAction *chosen = nullptr;
    for (QAction *item : menu->actions()) {
        items.append(item->isSeparator() ? u"-"_s : item->text());
        if (item->text() == action)
            chosen = item;
    }
    QCOMPARE(items, (QStringList{u"Rename"_s, u"Archive"_s, u"-"_s, u"Delete"_s}));
    chosen->trigger();

    ConversationController &controller = fixture.controller();
    QCOMPARE(controller.sidebarItem(), open.id);
    QVERIFY(controller.session(open.id));
    QVERIFY(!controller.session(open.id)->isArchived);
    if (action == u"Rename"_s) {
        QCOMPARE(controller.renamingItemId(), other.id);
        QVERIFY(window.sidebar->renameField());
        QCOMPARE(window.sidebar->renameField()->text(), u"Other one"_s);
    } else if (action == u"Archive"_s) {
        QVERIFY(fixture.storedSession(other.id)->isArchived);
        QVERIFY(!shownTexts(window.model()).contains(u"Other one"_s));
    } else {
        QVERIFY(!fixture.storedSession(other.id));
        QVERIFY(!shownTexts(window.model()).contains(u"Other one"_s));
    }
}

void TestSidebar::headerButtons()
{
    ControllerFixture fixture;
    const ChatSession chat = stored({u"A chat"_s, 0, false, {}}, fixture.now);
    fixture.store({chat});
    SidebarWindow window(fixture);
    QVERIFY(window.isReady());
    ConversationController &controller = fixture.controller();
    SidebarHeader *header = window.sidebar->header();

    controller.selectSession(chat.id);
    QTest::mouseClick(header->newChatButton(), Qt::LeftButton);
    QCOMPARE(controller.sidebarItem(), std::nullopt);

    controller.selectSession(chat.id);
    QTest::keyClick(&window.window(), Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(controller.sidebarItem(), std::nullopt);

    QSignalSpy settings(window.sidebar, &SidebarView::settingsRequested);
    QTest::mouseClick(header->settingsButton(), Qt::LeftButton);
    QCOMPARE(settings.size(), 1);
    // A click leaves the keyboard where it was; Tab reaches both, and Space presses them.
    QVERIFY(!header->settingsButton()->hasFocus());
    header->newChatButton()->setFocus(Qt::TabFocusReason);
    QVERIFY(header->newChatButton()->hasFocus());
    QCOMPARE(header->newChatButton()->nextInFocusChain(), header->settingsButton());
    header->settingsButton()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(header->settingsButton(), Qt::Key_Space);
    QCOMPARE(settings.size(), 2);
}

// Tab reaches the list; the keys move a ring from chat to chat over the date headers, open the
// chat it is on, and open its menu.
void TestSidebar::keyboardOpensAChat()
{
    ControllerFixture fixture;
    const ChatSession first = stored({u"First"_s, 0, false, {}}, fixture.now);
    const ChatSession second = stored({u"Second"_s, 1, false, {}}, fixture.now);
    fixture.store({first, second});
    SidebarWindow window(fixture);
    QVERIFY(window.isReady());
    SidebarListView &list = window.list();
    QVERIFY(list.focusPolicy() & Qt::TabFocus);
    QCOMPARE(QAccessible::queryAccessibleInterface(&list)->text(QAccessible::Name), u"Chats"_s);

    list.setFocus(Qt::TabFocusReason);
    const auto ringOn = [&] { return window.model().row(list.currentIndex().row()).sessionId; };
    QCOMPARE(ringOn(), first.id);
    QTest::keyClick(&list, Qt::Key_Down);
    QCOMPARE(ringOn(), second.id);
    QTest::keyClick(&list, Qt::Key_Down);
    QCOMPARE(ringOn(), second.id);
    QTest::keyClick(&list, Qt::Key_Return);
    QCOMPARE(fixture.controller().sidebarItem(), second.id);
    QTest::keyClick(&list, Qt::Key_Up);
    QCOMPARE(ringOn(), first.id);
    QTest::keyClick(&list, Qt::Key_End);
    QCOMPARE(ringOn(), second.id);
    QTest::keyClick(&list, Qt::Key_Home);
    QTest::keyClick(&list, Qt::Key_Space);
    QCOMPARE(fixture.controller().sidebarItem(), first.id);

    QTest::keyClick(&list, Qt::Key_F10, Qt::ShiftModifier);
    auto *menu = window.sidebar->findChild<QMenu *>();
    QVERIFY(menu);
    QTRY_VERIFY(menu->isVisible());
    menu->close();
}

VELM_TEST_MAIN(TestSidebar)

#include "tst_sidebar.moc"
