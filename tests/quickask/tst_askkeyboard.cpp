#include "../chat/askfixture.h"

#include "quickask/askdialogview.h"
#include "quickask/askinputfield.h"
#include "support/keyboardaudit.h"
#include "support/testregistry.h"
#include "widgets/systemappearance.h"

#include <QApplication>
#include <QDBusConnection>
#include <QTest>

using namespace Qt::StringLiterals;

class TestAskKeyboard : public QObject
{
    Q_OBJECT

public:
    static void initMain() { qputenv("VELM_NO_ANIMATIONS", "1"); }

private Q_SLOTS:
    // Through a question's whole life the bar's controls are named, the keyboard is always
    // on one that shows, and Tab goes round those that show, in their order on screen.
    void everyStateIsReadAndTabbed()
    {
        AskFixture f;
        SystemAppearance appearance{QDBusConnection(u"no-bus"_s)};
        AskDialogView view(f.bar.get(), f.settings(), appearance);
        view.show();
        view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        const auto check = [&view](const QString &focus, const QStringList &order) {
            QCOMPARE(KeyboardAudit::accessibilityProblems(&view), QStringList());
            QCOMPARE(KeyboardAudit::focusName(), focus);
            QCOMPARE(KeyboardAudit::tabOrder(), order);
        };

        check(u"Ask anything"_s, {u"Ask anything"_s, u"Attach files"_s, u"Web search: Never"_s});
        view.findChild<AskInputField *>(u"inputField"_s)->setPlainText(u"Why?"_s);
        check(u"Ask anything"_s,
              {u"Ask anything"_s, u"Attach files"_s, u"Ask"_s, u"Web search: Never"_s});

        f.model().setStreamResponse(FakeModelServer::slowStream({u"Because"_s, u"."_s}, 400));
        KeyboardAudit::Announcements announcements;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(f.bar->isLoading());
        check(u"Stop"_s, {u"Stop"_s});

        QVERIFY(f.waitUntilIdle());
        check(u"New question"_s, {u"New question"_s, u"Follow up"_s, u"Save"_s});
        // The answer is said once it has come, not piece by piece.
        QCOMPARE(announcements.texts(), QStringList{u"Because."_s});

        // Follow up from the keyboard: the field takes it back, for the next question.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(KeyboardAudit::focusName(), u"Ask a follow-up"_s);
    }

    // A search and a thought are said as they start.
    void statesAreAnnounced()
    {
        AskFixture f;
        SystemAppearance appearance{QDBusConnection(u"no-bus"_s)};
        AskDialogView view(f.bar.get(), f.settings(), appearance);
        view.show();
        f.settings().setWebSearchMode(u"always"_s);
        f.searxng().serveResultsAfter(300);
        f.model().setStreamResponse(FakeModelServer::thinkingStream(
            FakeModelServer::Thinking::reasoning, {u"Let me see."_s}, {u"Found."_s}, 40));
        KeyboardAudit::Announcements announcements;
        QVERIFY(f.ask(u"News?"_s));
        QCOMPARE(announcements.texts(),
                 (QStringList{u"Searching the web"_s, u"Thinking"_s, u"Found."_s}));
    }
};

VELM_TEST_MAIN(TestAskKeyboard)
#include "tst_askkeyboard.moc"
