#include "chat/controllerfixture.h"
#include "chat/quickprompt.h"
#include "main_window/composertextedit.h"
#include "main_window/composerview.h"
#include "main_window/entranceeffect.h"
#include "main_window/greetinglabel.h"
#include "main_window/newchatview.h"
#include "main_window/quickpromptrow.h"
#include "support/testregistry.h"
#include "widgets/appcolors.h"
#include "widgets/appfonts.h"
#include "widgets/symbols.h"

#include <QAccessible>
#include <QApplication>
#include <QPointer>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QSet<QUuid> ids(const QList<QuickPrompt> &prompts)
{
    QSet<QUuid> set;
    for (const QuickPrompt &prompt : prompts)
        set.insert(prompt.id);
    return set;
}

// The screen with the composer in it, in a window of its own, as the main window holds them.
struct NewChatHarness
{
    explicit NewChatHarness(ControllerFixture &fixture)
        : controller(fixture.controller())
        , composer(new ComposerView(controller, fixture.settings()))
        , view(new NewChatView(controller, &window))
    {
        window.setPalette(AppColors::palette(true));
        view->setComposer(composer);
        window.resize(900, 700);
        view->resize(window.size());
    }

    void show()
    {
        window.show();
        window.activateWindow();
    }

    ConversationController &controller;
    QWidget window;
    ComposerView *composer;
    NewChatView *view;
};

qreal entranceOf(QWidget *widget)
{
    auto *effect = qobject_cast<EntranceEffect *>(widget->graphicsEffect());
    return effect ? effect->progress() : -1;
}

} // namespace

class TestNewChat : public QObject
{
    Q_OBJECT

public:
    // Entrances and hover springs jump, so every state is immediate.
    static void initMain() { qputenv("VELM_NO_ANIMATIONS", "1"); }

private Q_SLOTS:
    void initTestCase() { registerAppFonts(); }

    void fourDistinctStarters()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        NewChatHarness h(f);
        const QList<QuickPrompt> shown = h.view->displayedPrompts();
        QCOMPARE(shown.size(), 4);
        QCOMPARE(ids(shown).size(), 4);
        QVERIFY(ids(QuickPrompt::all()).contains(ids(shown)));
        // The rows are the drawn starters, in order.
        QCOMPARE(h.view->promptRows().size(), 4);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(h.view->promptRows().at(i)->prompt(), shown.at(i));

        // A new chat draws again (the draw itself is tested with QuickPrompt).
        QSet<QUuid> seen = ids(shown);
        for (int chat = 0; chat < 10; ++chat) {
            h.controller.startNewChat();
            seen.unite(ids(h.view->displayedPrompts()));
        }
        QVERIFY(seen.size() > 4);
    }

    // The greeting is the screen's heading to a screen reader, named with what it says.
    void greetingIsAHeading()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        f.settings().setUserName(u"Ada"_s);
        NewChatHarness h(f);
        h.show();
        auto *greeting = h.view->findChild<GreetingLabel *>();
        QVERIFY(greeting);
        QAccessibleInterface *heading = QAccessible::queryAccessibleInterface(greeting);
        QCOMPARE(heading->role(), QAccessible::Heading);
        QCOMPARE(heading->text(QAccessible::Name), h.controller.greeting());
        QVERIFY(heading->text(QAccessible::Name).contains(u"Ada"_s));
    }

    void everyStarterHasItsSymbol()
    {
        for (const QuickPrompt &prompt : QuickPrompt::all())
            QVERIFY2(Symbols::contains(prompt.icon), qPrintable(prompt.icon));
    }

    void starterReplacesDraftWithoutSending_data()
    {
        QTest::addColumn<QString>("typed");

        QTest::newRow("empty composer") << QString();
        QTest::newRow("text in the composer") << u"Something I was writing\nover two lines"_s;
    }

    void starterReplacesDraftWithoutSending()
    {
        QFETCH(QString, typed);

        ControllerFixture f;
        QVERIFY(f.isValid());
        NewChatHarness h(f);
        h.show();
        QVERIFY(QTest::qWaitForWindowActive(&h.window));
        h.controller.setDraft(typed);
        h.window.setFocus();
        QVERIFY(!h.composer->textEdit()->hasFocus());

        QuickPromptRow *row = h.view->promptRows().at(2);
        QTest::mouseClick(row, Qt::LeftButton);

        QCOMPARE(h.controller.draft(), row->prompt().prompt);
        QCOMPARE(h.composer->textEdit()->toPlainText(), row->prompt().prompt);
        QTRY_VERIFY(h.composer->textEdit()->hasFocus());
        QVERIFY(h.composer->composerFocused());
        QTest::qWait(100);
        QVERIFY(h.controller.sessions().isEmpty());
        QVERIFY(!h.controller.isLoading());
        QVERIFY(f.model().http().requests().isEmpty());
    }

    // Showing the screen raises the flag that plays the entrance; a new chat hides hero and
    // starters and plays it again.
    void entrance()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        NewChatHarness h(f);
        QVERIFY(!h.view->heroAppeared());
        QCOMPARE(entranceOf(h.view->promptRows().constFirst()), 0.0);
        h.show();
        QVERIFY(h.view->heroAppeared());
        QCOMPARE(entranceOf(h.view->promptRows().constFirst()), 1.0);

        // A reset clears the flag and nothing else raises it; the screen must not stay empty.
        h.controller.resetToNewChat(true);
        QCOMPARE(entranceOf(h.view->promptRows().constLast()), 0.0);
        QTRY_VERIFY(h.view->heroAppeared());
        QCOMPARE(entranceOf(h.view->promptRows().constLast()), 1.0);

        // New Chat while the screen shows: new starters, and the entrance at once.
        const QPointer<QuickPromptRow> before = h.view->promptRows().constFirst();
        h.controller.startNewChat();
        QVERIFY(!before);
        QVERIFY(h.view->heroAppeared());
        QCOMPARE(entranceOf(h.view->promptRows().constFirst()), 1.0);
    }

    void clockLine_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");

        QTest::newRow("twelve-hour") << QLocale(u"en_US"_s) << u"9:05 PM"_s;
        // Its short format has seconds, which the line leaves out.
        QTest::newRow("C") << QLocale::c() << u"21:05"_s;
    }

    void clockLine()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, text);

        QCOMPARE(NewChatView::timeText(QTime(21, 5, 42), locale), text);
    }
};

VELM_TEST_MAIN(TestNewChat)

#include "tst_newchat.moc"
