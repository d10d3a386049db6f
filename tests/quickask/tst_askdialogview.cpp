#include "../chat/askfixture.h"

#include "markdown/view/markdownview.h"
#include "markdown/view/nativetextview.h"
#include "quickask/askcard.h"
#include "quickask/askdialogview.h"
#include "quickask/askglassbutton.h"
#include "quickask/askinputfield.h"
#include "quickask/asksearchmodebutton.h"
#include "support/testregistry.h"
#include "widgets/appcolors.h"
#include "widgets/systemappearance.h"

#include <QAccessible>
#include <QApplication>
#include <QDBusConnection>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int timeoutMs = 10000;

} // namespace

// A shown, active bar over the Quick Ask fixture. The system appearance has no portal, so it
// follows the application palette.
class ViewFixture : public AskFixture
{
public:
    // Makes the view on first use, after the test has prepared the settings.
    bool show()
    {
        if (!view)
            view = std::make_unique<AskDialogView>(bar.get(), settings(), appearance);
        view->show();
        view->activateWindow();
        return isValid() && QTest::qWaitForWindowActive(view.get());
    }

    template<typename T = QWidget>
    T *child(const QString &name) const
    {
        return view->findChild<T *>(name);
    }

    // The names of the parts that show, out of those that change with the state.
    QStringList shownParts() const
    {
        QStringList shown;
        for (const QString &name :
             {u"inputRow"_s, u"header"_s, u"stopButton"_s, u"searchingRow"_s, u"pulsingDots"_s,
              u"thinkingLabel"_s, u"answerView"_s, u"actionRow"_s}) {
            if (child(name) && child(name)->isVisibleTo(view.get()))
                shown.append(name);
        }
        return shown;
    }

    SystemAppearance appearance{QDBusConnection(u"no-bus"_s)};
    std::unique_ptr<AskDialogView> view;
};

class TestAskDialogView : public QObject
{
    Q_OBJECT

public:
    // State changes are immediate, so that each check sees the end of its transition.
    static void initMain() { qputenv("VELM_NO_ANIMATIONS", "1"); }

private Q_SLOTS:
    void init();
    void partsFollowTheState();
    void searchingShowsItsLine();
    void thinkingText_data();
    void thinkingText();
    void thinkingShowsHowLong();
    void textIsNeverMarkup();
    void returnSendsShiftReturnAddsALine();
    void inputControlsAreNamedAndTabbed();
    void actionKeysWorkOnlyWhenShown();
    void colourScheme_data();
    void colourScheme();
    void searchModeMenuWritesTheSetting();
    void preferredHeightFollowsTheAnswer();
};

void TestAskDialogView::init()
{
    QApplication::setPalette(AppColors::palette(false));
}

void TestAskDialogView::partsFollowTheState()
{
    ViewFixture f;
    QVERIFY(f.show());
    auto *send = f.child<AskGlassButton>(u"sendButton"_s);
    QCOMPARE(f.shownParts(), QStringList{u"inputRow"_s});
    QVERIFY(!send->isEnabled());
    f.child<AskInputField>(u"inputField"_s)->setPlainText(u"Why?"_s);
    QCOMPARE(f.bar->query(), u"Why?"_s);
    QVERIFY(send->isEnabled());

    f.model().setStreamResponse(FakeModelServer::slowStream({u"Because"_s, u"."_s}, 400));
    send->click();
    QVERIFY(f.bar->isLoading());
    QCOMPARE(f.shownParts(), (QStringList{u"header"_s, u"stopButton"_s, u"pulsingDots"_s}));
    QCOMPARE(f.child<QLabel>(u"questionLabel"_s)->text(), u"Why?"_s);

    QTRY_VERIFY_WITH_TIMEOUT(!f.bar->isLoading(), timeoutMs);
    QCOMPARE(f.shownParts(), (QStringList{u"header"_s, u"answerView"_s, u"actionRow"_s}));
    QCOMPARE(f.child<MarkdownView>(u"answerView"_s)->text(), u"Because."_s);

    f.bar->askFollowUp();
    QCOMPARE(f.shownParts(), QStringList{u"inputRow"_s});
    QCOMPARE(f.child<AskInputField>(u"inputField"_s)->placeholderText(), u"Ask a follow-up"_s);
    f.bar->startNewQuestion();
    QCOMPARE(f.child<AskInputField>(u"inputField"_s)->placeholderText(), u"Ask anything"_s);
}

void TestAskDialogView::searchingShowsItsLine()
{
    ViewFixture f;
    QVERIFY(f.show());
    f.searxng().serveResultsAfter(5000);
    f.settings().setWebSearchMode(u"always"_s);
    f.bar->setQuery(u"News?"_s);
    f.bar->sendQuery();
    QCOMPARE(f.shownParts(), (QStringList{u"header"_s, u"stopButton"_s, u"searchingRow"_s}));
    const QList<QLabel *> labels = f.child(u"searchingRow"_s)->findChildren<QLabel *>();
    QVERIFY(std::any_of(labels.begin(), labels.end(), [](const QLabel *label) {
        return label->text() == u"Searching the web\u2026"_s;
    }));
    f.bar->stopAnswer();
    QTRY_COMPARE_WITH_TIMEOUT(f.shownParts(), QStringList{u"inputRow"_s}, timeoutMs);
}

void TestAskDialogView::thinkingText_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("text");

    QTest::newRow("just begun") << 0 << u"Thinking…"_s;
    QTest::newRow("a short thought") << 2 << u"Thinking…"_s;
    QTest::newRow("long enough to count") << 3 << u"Thinking… 3 s"_s;
    QTest::newRow("over a minute") << 75 << u"Thinking… 75 s"_s;
}

void TestAskDialogView::thinkingText()
{
    QFETCH(int, seconds);
    QFETCH(QString, text);
    QCOMPARE(AskDialogView::thinkingText(seconds), text);
}

void TestAskDialogView::thinkingShowsHowLong()
{
    ViewFixture f;
    QVERIFY(f.show());
    // A little over three seconds of thought, then the answer.
    f.model().setStreamResponse(
        FakeModelServer::thinkingStream(FakeModelServer::Thinking::reasoningContent,
                                        QStringList(9, u"Hmm. "_s), {u"Forty-two."_s}, 400));
    f.bar->setQuery(u"Meaning?"_s);
    f.bar->sendQuery();
    QTRY_VERIFY_WITH_TIMEOUT(f.bar->isThinking(), timeoutMs);
    auto *label = f.child<QLabel>(u"thinkingLabel"_s);
    QCOMPARE(f.shownParts(),
             (QStringList{u"header"_s, u"stopButton"_s, u"pulsingDots"_s, u"thinkingLabel"_s}));
    QCOMPARE(label->text(), u"Thinking…"_s);
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QTRY_COMPARE_WITH_TIMEOUT(label->text(), u"Thinking… 3 s"_s, timeoutMs);

    QVERIFY(f.waitUntilIdle());
    QCOMPARE(f.shownParts(), (QStringList{u"header"_s, u"answerView"_s, u"actionRow"_s}));
    QCOMPARE(f.child<MarkdownView>(u"answerView"_s)->text(), u"Forty-two."_s);
}

void TestAskDialogView::textIsNeverMarkup()
{
    ViewFixture f;
    QVERIFY(f.show());
    f.model().setStream({u"<b>bold</b> &amp; <img src=x>"_s});
    QVERIFY(f.ask(u"<i>tags</i>?"_s));
    QCOMPARE(f.child<QLabel>(u"questionLabel"_s)->textFormat(), Qt::PlainText);
    QString shown;
    for (const NativeTextView *text : f.child(u"answerView"_s)->findChildren<NativeTextView *>())
        shown += text->toPlainText();
    QCOMPARE(shown, u"<b>bold</b> &amp; <img src=x>"_s);
}

void TestAskDialogView::returnSendsShiftReturnAddsALine()
{
    ViewFixture f;
    QVERIFY(f.show());
    auto *field = f.child<AskInputField>(u"inputField"_s);
    field->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(field->hasFocus(), timeoutMs);
    QTest::keyClicks(field, u"One"_s);
    QTest::keyClick(field, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(field, u"Two"_s);
    QCOMPARE(f.bar->query(), u"One\nTwo"_s);
    QVERIFY(!f.bar->isLoading());
    QCOMPARE(field->visualLineCount(), 2);

    f.model().setStream({u"Done"_s});
    QTest::keyClick(field, Qt::Key_Return);
    QVERIFY(f.bar->isLoading());
    QCOMPARE(f.bar->query(), u"One\nTwo"_s);
}

// Every control of the question row tells a screen reader what it is, and Tab goes from the
// field to the paperclip and to Ask without typing a tab.
void TestAskDialogView::inputControlsAreNamedAndTabbed()
{
    ViewFixture f;
    QVERIFY(f.show());
    QWidget *row = f.child(u"inputRow"_s);
    QStringList names;
    for (QWidget *widget : row->findChildren<QWidget *>()) {
        if (!widget->isVisibleTo(f.view.get()) || !(widget->focusPolicy() & Qt::TabFocus))
            continue;
        const QString name = QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
        QVERIFY2(!name.isEmpty(), widget->metaObject()->className());
        names.append(name);
    }
    QCOMPARE(names.size(), 4);
    QVERIFY(names.contains(u"Ask anything"_s));
    QVERIFY(names.contains(u"Attach files"_s));
    QVERIFY(names.contains(u"Ask"_s));

    auto *field = f.child<AskInputField>(u"inputField"_s);
    field->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(field->hasFocus(), timeoutMs);
    // Ask takes the focus only when there is something to ask.
    QTest::keyClicks(field, u"Hi"_s);
    QTest::keyClick(field, Qt::Key_Tab);
    QCOMPARE(field->toPlainText(), u"Hi"_s);
    QCOMPARE(QApplication::focusWidget(), f.child(u"attachButton"_s));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), f.child(u"sendButton"_s));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), f.child(u"searchModeButton"_s));
}

void TestAskDialogView::actionKeysWorkOnlyWhenShown()
{
    ViewFixture f;
    QVERIFY(f.show());
    QSignalSpy imports(&f.events(), &AppEvents::importDialogChat);
    const auto press = [&f](Qt::Key key) {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : f.view.get();
        QTest::keyClick(target, key, Qt::ControlModifier);
    };

    // In the input row the action keys do nothing.
    f.child<AskInputField>(u"inputField"_s)->setFocus();
    f.bar->setQuery(u"Question"_s);
    press(Qt::Key_S);
    QCOMPARE(imports.size(), 0);

    // Stop while the answer runs: back to the question.
    f.model().setStreamResponse(FakeModelServer::slowStream({u"Slow"_s, u" answer"_s}, 3000));
    f.bar->sendQuery();
    QTRY_COMPARE_WITH_TIMEOUT(f.model().http().requestCount(u"/v1/chat/completions"_s), 1,
                              timeoutMs);
    press(Qt::Key_Period);
    QTRY_VERIFY_WITH_TIMEOUT(!f.bar->isLoading(), timeoutMs);
    QVERIFY(!f.bar->hasActivity());
    QCOMPARE(f.bar->query(), u"Question"_s);
    // Back in the field, ready to be edited.
    QVERIFY(f.child(u"inputField"_s)->hasFocus());

    f.model().setStream({u"Answer"_s});
    QVERIFY(f.ask(u"Question"_s));
    QVERIFY(f.bar->canContinue());
    press(Qt::Key_F);
    QCOMPARE(f.bar->conversationContext().size(), 2);
    QVERIFY(f.bar->query().isEmpty());

    QVERIFY(f.ask(u"Again"_s));
    press(Qt::Key_S);
    QCOMPARE(imports.size(), 1);
    QCOMPARE(imports.first().first().value<ChatMessage>().text, u"Again"_s);
    press(Qt::Key_N);
    QVERIFY(!f.bar->hasActivity());
    QVERIFY(f.bar->conversationContext().isEmpty());
}

void TestAskDialogView::colourScheme_data()
{
    QTest::addColumn<QString>("theme");
    QTest::addColumn<bool>("followsSystem");
    QTest::addColumn<bool>("systemDark");
    QTest::addColumn<bool>("dark");
    QTest::addColumn<bool>("darkAfterSystemChange");

    // The rule itself is tested with AppThemes; here that the bar and its parts follow it.
    QTest::newRow("follows a dark system over light")
        << u"light"_s << true << true << true << false;
    QTest::newRow("own light") << u"light"_s << false << true << false << false;
}

void TestAskDialogView::colourScheme()
{
    QFETCH(QString, theme);
    QFETCH(bool, followsSystem);
    QFETCH(bool, systemDark);
    QFETCH(bool, dark);
    QFETCH(bool, darkAfterSystemChange);
    ViewFixture f;
    f.settings().setAppTheme(theme);
    f.settings().setQuickAskFollowsSystemTheme(followsSystem);
    QApplication::setPalette(AppColors::palette(systemDark));
    QVERIFY(f.show());
    auto *card = f.view->findChild<AskCard *>();
    const auto check = [&](bool expected) {
        QCOMPARE(f.view->isDarkScheme(), expected);
        QCOMPARE(AppColors::isDark(f.view.get()), expected);
        QCOMPARE(AppColors::isDark(f.child(u"inputField"_s)), expected);
        QCOMPARE(card->dark(), expected);
    };
    check(dark);
    if (QTest::currentTestFailed())
        return;

    // A change of the system's appearance applies at once where the bar follows it.
    QApplication::setPalette(AppColors::palette(!systemDark));
    QTRY_COMPARE_WITH_TIMEOUT(f.view->isDarkScheme(), darkAfterSystemChange, timeoutMs);
    check(darkAfterSystemChange);
    if (QTest::currentTestFailed())
        return;

    // So does a change of the settings.
    f.settings().setQuickAskFollowsSystemTheme(false);
    f.settings().setAppTheme(u"light"_s);
    check(false);
}

void TestAskDialogView::searchModeMenuWritesTheSetting()
{
    ViewFixture f;
    QVERIFY(f.show());
    auto *button = f.child<AskSearchModeButton>(u"searchModeButton"_s);

    QAction *always = nullptr;
    for (QAction *action : button->menu()->actions()) {
        if (action->text() == u"Always"_s)
            always = action;
    }
    QVERIFY(always);
    always->trigger();
    QCOMPARE(f.settings().webSearchMode(), u"always"_s);
    QVERIFY(always->isChecked());

    // A change made in another window shows here too.
    f.settings().setWebSearchMode(u"auto"_s);
    QVERIFY(!always->isChecked());
}

void TestAskDialogView::preferredHeightFollowsTheAnswer()
{
    ViewFixture f;
    QVERIFY(f.show());
    QTRY_VERIFY_WITH_TIMEOUT(f.view->preferredHeight() >= AskDialogView::minimumPanelHeight,
                             timeoutMs);
    const int inputHeight = f.view->preferredHeight();
    QSignalSpy heights(f.view.get(), &AskDialogView::preferredHeightChanged);

    QString longAnswer;
    for (int i = 0; i < 12; ++i)
        longAnswer += u"A fairly long sentence that needs its own line in the bar. "_s;
    f.model().setStream({longAnswer});
    QVERIFY(f.ask(u"Tell me more"_s));
    QTRY_VERIFY_WITH_TIMEOUT(
        !heights.isEmpty() && heights.last().first().toInt() > inputHeight + 100, timeoutMs);
    QCOMPARE(f.view->sizeHint().height(), f.view->preferredHeight());
    // Laid out at the bar's width, the text gets all the height it needs: nothing cut off.
    f.view->resize(f.view->sizeHint());
    const auto blocks = f.child(u"answerView"_s)->findChildren<NativeTextView *>();
    QVERIFY(!blocks.isEmpty());
    for (const NativeTextView *block : blocks)
        QTRY_VERIFY_WITH_TIMEOUT(block->height() >= block->heightForWidth(block->width()),
                                 timeoutMs);

    f.bar->startNewQuestion();
    QTRY_COMPARE_WITH_TIMEOUT(heights.last().first().toInt(), inputHeight, timeoutMs);
}

VELM_TEST_MAIN(TestAskDialogView)

#include "tst_askdialogview.moc"
