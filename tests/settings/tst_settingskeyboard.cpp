#include "chat/controllerfixture.h"

#include "settings/settingstabbar.h"
#include "settings/settingsview.h"
#include "settings/settingswindow.h"
#include "support/keyboardaudit.h"
#include "support/testregistry.h"
#include "widgets/systemappearance.h"

#include <QAccessible>
#include <QApplication>
#include <QDBusConnection>
#include <QTest>

using namespace Qt::StringLiterals;

class TestSettingsKeyboard : public QObject
{
    Q_OBJECT

public:
    static void initMain() { qputenv("VELM_NO_ANIMATIONS", "1"); }

private Q_SLOTS:
    // Each tab of the window: its controls named and its stops no blanks, Tab from the tab
    // list through every control of the page in its order on screen.
    void everyTabIsReadAndTabbed_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("General") << 0
                                 << QStringList{u"Your Name"_s,           u"No em dashes"_s,
                                                u"No emojis"_s,           u"Be concise"_s,
                                                u"Plain language"_s,      u"No bullet points"_s,
                                                u"No bold text"_s,        u"Custom instructions"_s,
                                                u"Start velm at login"_s, u"Reset App…"_s};
        QTest::newRow("Appearance") << 1
                                    << QStringList{u"Dark, selected"_s, u"Light"_s, u"System"_s,
                                                   u"Always follow system theme for Quick Ask"_s};
        QTest::newRow("Web Search") << 2 << QStringList{u"Mode"_s};
        QTest::newRow("Model") << 3 << QStringList{u"Server"_s,
                                                   u"Check Connection"_s,
                                                   u"Automatic"_s,
                                                   u"Temperature"_s,
                                                   u"Maximum answer length"_s,
                                                   u"Text of attached documents"_s,
                                                   u"Show thinking"_s};
        QTest::newRow("Chats") << 4 << QStringList{u"Export All as JSON…"_s,
                                                   u"Import chats"_s,
                                                   u"Delete All Chats…"_s,
                                                   u"Open"_s,
                                                   u"Restore"_s,
                                                   u"Delete permanently"_s};
    }

    void everyTabIsReadAndTabbed()
    {
        QFETCH(int, tab);
        QFETCH(QStringList, order);
        ControllerFixture f;
        // An archived chat, whose row on the Chats tab has its own buttons.
        f.store({conversation({u"Old plans"_s, u"Kept."_s}, true)});
        SystemAppearance appearance{QDBusConnection(u"no-bus"_s)};
        SettingsWindow window(f.settings(), f.events(), f.chatList(), f.network(), appearance);
        window.present();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        SettingsTabBar *bar = window.view()->tabBar();
        bar->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < tab; ++i)
            QTest::keyClick(bar, Qt::Key_Right);
        QCOMPARE(bar->currentIndex(), tab);

        QCOMPARE(KeyboardAudit::accessibilityProblems(&window), QStringList());
        order.prepend(u"Sections"_s);
        QCOMPARE(KeyboardAudit::tabOrder(), order);

        // The tab list holds a tab per page, the shown one selected and focused.
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(bar);
        QCOMPARE(list->role(), QAccessible::PageTabList);
        QCOMPARE(list->childCount(), bar->count());
        QAccessibleInterface *shown = list->focusChild();
        QVERIFY(shown);
        QCOMPARE(shown->role(), QAccessible::PageTab);
        QCOMPARE(shown->text(QAccessible::Name), bar->tab(tab).label);
        QVERIFY(shown->state().selected);
        QCOMPARE(list->indexOfChild(shown), tab);
        // Pressing another tab through its action shows its page.
        const int other = (tab + 1) % bar->count();
        list->child(other)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(bar->currentIndex(), other);
    }
};

VELM_TEST_MAIN(TestSettingsKeyboard)
#include "tst_settingskeyboard.moc"
