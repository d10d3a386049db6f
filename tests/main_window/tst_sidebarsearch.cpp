#include "../chat/controllerfixture.h"

#include "main_window/archivedbanner.h"
#include "main_window/chatscrollview.h"
#include "main_window/composertextedit.h"
#include "main_window/composerview.h"
#include "main_window/contentview.h"
#include "main_window/messagelistview.h"
#include "main_window/sidebaremptystate.h"
#include "main_window/sidebarlistview.h"
#include "main_window/sidebarrenamefield.h"
#include "main_window/sidebarsearchfield.h"
#include "main_window/sidebarsearchlist.h"
#include "main_window/sidebarview.h"
#include "support/testregistry.h"
#include "widgets/systemappearance.h"

#include <QAccessible>
#include <QAction>
#include <QScrollBar>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Titles that look like markup and a link: they must show as typed.
const QString markupTitle = u"<b>x</b>"_s;
const QString linkTitle = u"javascript:alert(1)"_s;

// Four chats: two that mention zebras (one archived), one about groceries, and a long one
// whose only mention of a needle is near its start.
struct Chats
{
    ChatSession zebras;
    ChatSession crossing;
    ChatSession groceries;
    ChatSession history;
    QUuid needleId;
};

Chats chats(const QDateTime &now)
{
    Chats chats;
    chats.zebras = conversation({u"Tell me about zebras"_s, u"Zebras are striped horses."_s});
    chats.zebras.customTitle = markupTitle;
    chats.zebras.updatedAt = now.addSecs(-600);
    chats.crossing = conversation({u"What is a zebra crossing?"_s, u"A marked crossing."_s}, true);
    chats.crossing.customTitle = linkTitle;
    chats.crossing.updatedAt = now.addDays(-3);
    chats.groceries = conversation({u"Milk and eggs"_s, u"Noted."_s});
    chats.groceries.customTitle = u"Groceries"_s;
    chats.groceries.updatedAt = now.addDays(-1);
    QStringList texts;
    for (int turn = 0; turn < 20; ++turn) {
        texts.append(u"Question %1"_s.arg(turn));
        texts.append(u"A long answer that fills the screen. "_s.repeated(12));
    }
    texts[3] = u"The needle was in the haystack all along."_s;
    chats.history = conversation(texts);
    chats.history.customTitle = u"Long history"_s;
    chats.history.updatedAt = now.addDays(-30);
    chats.needleId = chats.history.messages.at(3).id;
    return chats;
}

// The main window's content at its default size, active, the sidebar dated by the
// fixture's clock.
struct Window
{
    explicit Window(ControllerFixture &fixture)
        : view(fixture.controller(), fixture.settings(), appearance)
    {
        view.sidebar()->setClock([&fixture] { return fixture.now; });
        view.resize(1100, 760);
        view.show();
        view.activateWindow();
    }

    SidebarSearchField &field() { return *view.sidebar()->searchField(); }
    SidebarSearchList &results() { return *view.sidebar()->searchList(); }

    // Opens the sidebar and types `query` into the field as a user would.
    void search(const QString &query)
    {
        if (view.sidebarWidth() == 0)
            view.toggleSidebarAction()->trigger();
        field().setFocus();
        QTest::keyClicks(&field(), query);
    }

    SystemAppearance appearance{QDBusConnection(u"no-bus"_s)};
    ContentView view;
};

QStringList column(const SidebarSearchList &list, int role)
{
    QStringList texts;
    const QAbstractItemModel *model = list.model();
    for (int row = 0; row < model->rowCount(); ++row)
        texts.append(model->index(row, 0).data(role).toString());
    return texts;
}

} // namespace

// Searching every chat from the sidebar's field, and opening a chat at its match.
class TestSidebarSearch : public QObject
{
    Q_OBJECT

public:
    static void initMain()
    {
        qputenv("VELM_NO_ANIMATIONS", "1");
        qputenv("TZ", "UTC");
    }

private Q_SLOTS:
    void results_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QStringList>("descriptions");

        // Archived chats are found too, and say so.
        QTest::newRow("titles that look like markup, literally")
            << u"zebra"_s << QStringList{markupTitle, linkTitle}
            << QStringList{u"Today"_s, u"Previous 7 days, archived"_s};
        QTest::newRow("one match")
            << u"milk"_s << QStringList{u"Groceries"_s} << QStringList{u"Yesterday"_s};
        QTest::newRow("none") << u"platypus"_s << QStringList() << QStringList();
    }

    void results()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, titles);
        QFETCH(QStringList, descriptions);
        ControllerFixture fixture;
        const Chats stored = chats(fixture.now);
        fixture.store({stored.zebras, stored.crossing, stored.groceries, stored.history});
        Window window(fixture);
        QVERIFY(QTest::qWaitForWindowActive(&window.view));
        SidebarView &sidebar = *window.view.sidebar();
        QVERIFY(!sidebar.isSearching());

        window.search(query);
        QTRY_VERIFY(sidebar.isSearching());
        QCOMPARE(column(window.results(), Qt::DisplayRole), titles);
        QCOMPARE(column(window.results(), Qt::AccessibleDescriptionRole), descriptions);
        QCOMPARE(sidebar.searchEmptyState()->isVisible(), titles.isEmpty());
        QVERIFY(!sidebar.listView()->isVisible());

        // A screen reader hears the title as it is, and the text around the match.
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(&window.results());
        QVERIFY(list);
        QCOMPARE(list->childCount(), titles.size());
        for (int row = 0; row < titles.size(); ++row) {
            QAccessibleInterface *item = list->child(row);
            QCOMPARE(item->role(), QAccessible::ListItem);
            const QString name = item->text(QAccessible::Name);
            QVERIFY2(name.startsWith(titles.at(row) + u": "_s), qPrintable(name));
            QVERIFY2(name.contains(query, Qt::CaseInsensitive), qPrintable(name));
        }

        // Escape gives the list back and the keyboard to the composer.
        QTest::keyClick(&window.field(), Qt::Key_Escape);
        QVERIFY(!sidebar.isSearching());
        QCOMPARE(window.field().text(), QString());
        QVERIFY(sidebar.listView()->isVisible());
        QTRY_VERIFY(window.view.composer()->textEdit()->hasFocus());
    }

    void returnOpensAtTheMatch()
    {
        ControllerFixture fixture;
        const Chats stored = chats(fixture.now);
        fixture.store({stored.zebras, stored.crossing, stored.groceries, stored.history});
        Window window(fixture);
        QVERIFY(QTest::qWaitForWindowActive(&window.view));

        // Return right after typing does not wait for the pause.
        window.search(u"needle"_s);
        QTest::keyClick(&window.field(), Qt::Key_Return);
        QCOMPARE(fixture.controller().sidebarItem(), stored.history.id);

        // The list opens at the match, not at its end, and tints it.
        ChatScrollView &scroll = *window.view.messageList()->scrollView();
        QTRY_COMPARE(scroll.highlightedRow(), stored.needleId);
        const QRect row = scroll.rowGeometry(stored.needleId);
        const int top = scroll.verticalScrollBar()->value();
        QVERIFY2(
            row.top() >= top && row.bottom() < top + scroll.viewport()->height(),
            qPrintable(u"row %1-%2, view from %3"_s.arg(row.top()).arg(row.bottom()).arg(top)));
        QVERIFY(top < scroll.verticalScrollBar()->maximum());
        QVERIFY(scroll.messageRow(stored.needleId));
        // The tint goes again.
        QTRY_VERIFY_WITH_TIMEOUT(scroll.highlightedRow().isNull(), 3000);
    }

    void keysReachAnArchivedChat()
    {
        ControllerFixture fixture;
        const Chats stored = chats(fixture.now);
        fixture.store({stored.zebras, stored.crossing, stored.groceries, stored.history});
        Window window(fixture);
        QVERIFY(QTest::qWaitForWindowActive(&window.view));

        window.search(u"zebra"_s);
        QTRY_COMPARE(window.results().model()->rowCount(), 2);
        QCOMPARE(window.results().currentRow(), 0);
        QTest::keyClick(&window.field(), Qt::Key_Down);
        QTest::keyClick(&window.field(), Qt::Key_Down);
        QCOMPARE(window.results().currentRow(), 1);
        QVERIFY(window.field().hasFocus());
        QTest::keyClick(&window.field(), Qt::Key_Up);
        QTest::keyClick(&window.field(), Qt::Key_Down);
        // The chats change under the results: they follow, and the row stays where it was.
        fixture.controller().commitRename(stored.zebras.id, u"Zebra stripes"_s);
        QTRY_COMPARE(column(window.results(), Qt::DisplayRole),
                     (QStringList{u"Zebra stripes"_s, linkTitle}));
        QCOMPARE(window.results().currentRow(), 1);
        QTest::keyClick(&window.field(), Qt::Key_Return);

        // It opens as the archive opens it: still archived, with its banner.
        QCOMPARE(fixture.controller().sidebarItem(), stored.crossing.id);
        QVERIFY(window.view.messageList()->archivedBanner()->isVisible());
        QVERIFY(fixture.controller().session(stored.crossing.id)->isArchived);
        QTRY_COMPARE(window.view.messageList()->scrollView()->highlightedRow(),
                     stored.crossing.messages.at(0).id);
    }

    void ctrlKFromTheComposer()
    {
        ControllerFixture fixture;
        fixture.store({chats(fixture.now).groceries});
        Window window(fixture);
        QVERIFY(QTest::qWaitForWindowActive(&window.view));
        QCOMPARE(window.view.sidebarWidth(), 0);
        ComposerTextEdit *composer = window.view.composer()->textEdit();
        composer->setFocus();
        QTRY_VERIFY(composer->hasFocus());
        QTest::keyClicks(composer, u"draft"_s);

        // The text field would take Ctrl+K for itself; the window gets it.
        QTest::keyClick(composer, Qt::Key_K, Qt::ControlModifier);
        QVERIFY(window.view.sidebarWidth() > 0);
        QTRY_VERIFY(window.field().hasFocus());
        QCOMPARE(fixture.controller().draft(), u"draft"_s);
    }
};

VELM_TEST_MAIN(TestSidebarSearch)
#include "tst_sidebarsearch.moc"
