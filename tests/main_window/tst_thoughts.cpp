#include "../chat/controllerfixture.h"

#include "main_window/assistantmessagerow.h"
#include "main_window/chatscrollview.h"
#include "main_window/chatviewstate.h"
#include "main_window/contentview.h"
#include "main_window/copybutton.h"
#include "main_window/messagelistrows.h"
#include "main_window/messagelistview.h"
#include "main_window/thinkingrow.h"
#include "main_window/thoughtrow.h"
#include "main_window/thoughttoggle.h"
#include "markdown/view/markdownview.h"
#include "markdown/view/nativetextview.h"
#include "support/testregistry.h"
#include "widgets/appcolors.h"
#include "widgets/systemappearance.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr int waitMs = 10000;

ChatMessage answerWithThought(const QString &text, const QString &reasoning,
                              std::optional<double> seconds)
{
    ChatMessage message(ChatMessage::Role::Assistant, text);
    message.reasoning = reasoning;
    message.thinkingSeconds = seconds;
    return message;
}

ChatSession sessionOf(const QList<ChatMessage> &messages)
{
    ChatSession session = ChatSession::create(QDateTime(QDate(2025, 1, 2), QTime(3, 4), Qt::UTC));
    session.messages = messages;
    return session;
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

    AssistantMessageRow *row(const QUuid &id) const
    {
        return qobject_cast<AssistantMessageRow *>(view.scrollView()->messageRow(id));
    }

    ChatViewState state;
    MessageListView view;
};

// The fixture's controller with `session` stored and open.
ConversationController &opened(ControllerFixture &fixture, const ChatSession &session)
{
    fixture.store({session});
    fixture.controller().selectSession(session.id);
    return fixture.controller();
}

// The answer of the conversation the controller has open, once there is one.
std::optional<ChatMessage> openAnswer(ConversationController &controller)
{
    const std::optional<QUuid> id = controller.sidebarItem();
    const std::optional<ChatSession> session = id ? controller.session(*id) : std::nullopt;
    if (!session || session->messages.size() < 2)
        return std::nullopt;
    return session->messages.at(1);
}

bool shows(const QWidget *part, const QWidget *row)
{
    return part && part->isVisibleTo(row);
}

QString nativeText(const QWidget *view)
{
    QString text;
    for (const NativeTextView *block : view->findChildren<NativeTextView *>())
        text += block->toPlainText();
    return text;
}

QAccessible::State accessibleState(QWidget *widget)
{
    return QAccessible::queryAccessibleInterface(widget)->state();
}

int linesHeight(const QPlainTextEdit *view, int lines)
{
    return int(std::ceil(lines * QFontMetricsF(view->font()).lineSpacing()));
}

} // namespace

class TestThoughts : public QObject
{
    Q_OBJECT

public:
    // State changes land at once instead of animating.
    static void initMain() { qputenv("VELM_NO_ANIMATIONS", "1"); }

private Q_SLOTS:
    void summary_data();
    void summary();
    void storedAnswerShowsItsThoughtFolded_data();
    void storedAnswerShowsItsThoughtFolded();
    void foldedThoughtOpensAndCloses_data();
    void foldedThoughtOpensAndCloses();
    void copyTakesTheAnswerOnly();
    void showThinkingHidesTheThoughtsLive();
    void thoughtStreamsThenFolds();
    void stoppedThoughtStaysWithoutAnEmptyAnswer_data();
    void stoppedThoughtStaysWithoutAnEmptyAnswer();
};

void TestThoughts::summary_data()
{
    QTest::addColumn<double>("seconds"); // NaN: not known
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("spoken");

    QTest::newRow("not known") << qQNaN() << u"Thought"_s << u"Thought"_s;
    QTest::newRow("under half a second")
        << 0.2 << u"Thought for 1 second"_s << u"Thought for 1 second"_s;
    QTest::newRow("rounded down") << 1.4 << u"Thought for 1 second"_s << u"Thought for 1 second"_s;
    QTest::newRow("rounded up") << 1.5 << u"Thought for 2 seconds"_s << u"Thought for 2 seconds"_s;
    QTest::newRow("seconds") << 12.3 << u"Thought for 12 seconds"_s << u"Thought for 12 seconds"_s;
    QTest::newRow("rounded to a minute")
        << 59.6 << u"Thought for 1 min"_s << u"Thought for 1 minute"_s;
    QTest::newRow("minute and seconds")
        << 80.0 << u"Thought for 1 min 20 s"_s << u"Thought for 1 minute 20 seconds"_s;
    QTest::newRow("minutes and a second")
        << 121.2 << u"Thought for 2 min 1 s"_s << u"Thought for 2 minutes 1 second"_s;
}

void TestThoughts::summary()
{
    QFETCH(double, seconds);
    QFETCH(QString, label);
    QFETCH(QString, spoken);
    const std::optional<double> time = std::isnan(seconds) ? std::nullopt : std::optional(seconds);
    QCOMPARE(ThoughtRow::summary(time), label);
    QCOMPARE(ThoughtRow::spokenSummary(time), spoken);
}

void TestThoughts::storedAnswerShowsItsThoughtFolded_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reasoning");
    QTest::addColumn<QString>("label"); // empty: no thought row

    QTest::newRow("answer without thought") << u"Plain."_s << QString() << QString();
    QTest::newRow("answer after a thought")
        << u"Four."_s << u"Two and two make four."_s << u"Thought for 12 seconds"_s;
    // A stop while the model thought: the thought stays, and no empty answer under it.
    QTest::newRow("stopped within the thought")
        << QString() << u"Let me see, two and"_s << u"Thought for 12 seconds"_s;
}

void TestThoughts::storedAnswerShowsItsThoughtFolded()
{
    QFETCH(QString, text);
    QFETCH(QString, reasoning);
    QFETCH(QString, label);
    ControllerFixture f;
    QVERIFY(f.isValid());
    const ChatSession session = sessionOf({ChatMessage(ChatMessage::Role::User, u"2 + 2?"_s),
                                           answerWithThought(text, reasoning, 12.2)});
    Window window(opened(f, session));
    AssistantMessageRow *row = window.row(session.messages.at(1).id);
    QVERIFY(row);
    ThoughtRow *thought = row->thoughtRow();

    QCOMPARE(shows(thought, row), !label.isEmpty());
    QCOMPARE(shows(row->markdownView(), row), !text.isEmpty());
    QCOMPARE(shows(row->copyButton(), row), !text.isEmpty());
    if (label.isEmpty())
        return;
    QCOMPARE(thought->toggle()->text(), label);
    QVERIFY(!thought->isLive());
    QVERIFY(!thought->isExpanded());
    QVERIFY(!shows(thought->liveView(), row));
    QVERIFY(!thought->fullView());
}

void TestThoughts::foldedThoughtOpensAndCloses_data()
{
    QTest::addColumn<QString>("way");

    QTest::newRow("click") << u"click"_s;
    QTest::newRow("Return") << u"Return"_s;
    QTest::newRow("Space") << u"Space"_s;
}

void TestThoughts::foldedThoughtOpensAndCloses()
{
    QFETCH(QString, way);
    ControllerFixture f;
    QVERIFY(f.isValid());
    const QString reasoning = u"First **check** the <i>units</i>.\n\n- then the sum"_s;
    const ChatSession session = sessionOf({ChatMessage(ChatMessage::Role::User, u"Area?"_s),
                                           answerWithThought(u"Nine."_s, reasoning, 80)});
    Window window(opened(f, session));
    AssistantMessageRow *row = window.row(session.messages.at(1).id);
    QVERIFY(row);
    ThoughtRow *thought = row->thoughtRow();
    ThoughtToggle *toggle = thought->toggle();

    // A button with a name, in the keyboard's reach.
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(toggle);
    QVERIFY(accessible);
    QCOMPARE(accessible->role(), QAccessible::Button);
    QCOMPARE(accessible->text(QAccessible::Name), u"Thought for 1 minute 20 seconds"_s);
    QVERIFY(toggle->focusPolicy() & Qt::TabFocus);
    QVERIFY(accessibleState(toggle).collapsed);
    toggle->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY_WITH_TIMEOUT(toggle->hasFocus(), waitMs);

    const auto use = [&] {
        if (way == u"click")
            QTest::mouseClick(toggle, Qt::LeftButton);
        else
            QTest::keyClick(toggle, way == u"Return" ? Qt::Key_Return : Qt::Key_Space);
    };
    const int foldedHeight = window.view.scrollView()->rowGeometry(row->message().id).height();
    use();
    QVERIFY(thought->isExpanded());
    QVERIFY(accessibleState(toggle).expanded);
    QVERIFY(!accessibleState(toggle).collapsed);
    QVERIFY(shows(thought->fullView(), row));
    QCOMPARE(thought->fullView()->text(), reasoning);
    // Markdown, with the model's tags as text.
    QVERIFY(nativeText(thought->fullView()).contains(u"<i>units</i>"_s));
    QVERIFY(!nativeText(thought->fullView()).contains(u"**"_s));
    QTRY_VERIFY_WITH_TIMEOUT(
        window.view.scrollView()->rowGeometry(row->message().id).height() > foldedHeight, waitMs);

    use();
    QVERIFY(!thought->isExpanded());
    QVERIFY(accessibleState(toggle).collapsed);
    QVERIFY(!shows(thought->fullView(), row));
    QTRY_COMPARE_WITH_TIMEOUT(window.view.scrollView()->rowGeometry(row->message().id).height(),
                              foldedHeight, waitMs);
}

void TestThoughts::copyTakesTheAnswerOnly()
{
    ControllerFixture f;
    QVERIFY(f.isValid());
    const ChatSession session
        = sessionOf({ChatMessage(ChatMessage::Role::User, u"2 + 2?"_s),
                     answerWithThought(u"**Four.**"_s, u"Two and two."_s, 3)});
    Window window(opened(f, session));
    AssistantMessageRow *row = window.row(session.messages.at(1).id);
    QVERIFY(row);
    QGuiApplication::clipboard()->clear();
    QTest::mouseClick(row->copyButton(), Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"**Four.**"_s);
}

void TestThoughts::showThinkingHidesTheThoughtsLive()
{
    ControllerFixture f;
    QVERIFY(f.isValid());
    const ChatSession session = sessionOf({ChatMessage(ChatMessage::Role::User, u"2 + 2?"_s),
                                           answerWithThought(u"Four."_s, u"Two and two."_s, 3)});
    f.store({session});
    SystemAppearance appearance{QDBusConnection(u"no-bus"_s)};
    ContentView content(f.controller(), f.settings(), appearance);
    content.resize(1100, 760);
    content.show();
    f.controller().selectSession(session.id);
    const auto thoughtShows = [&] {
        auto *row = qobject_cast<AssistantMessageRow *>(
            content.messageList()->scrollView()->messageRow(session.messages.at(1).id));
        return row && shows(row->thoughtRow(), row);
    };
    QTRY_VERIFY_WITH_TIMEOUT(thoughtShows(), waitMs);

    f.settings().setShowThinking(false);
    QVERIFY(!thoughtShows());
    // Only hidden: the thought is still there.
    QCOMPARE(f.controller().session(session.id)->messages.at(1).reasoning, u"Two and two."_s);

    f.settings().setShowThinking(true);
    QVERIFY(thoughtShows());
}

void TestThoughts::thoughtStreamsThenFolds()
{
    ControllerFixture f;
    QVERIFY(f.isValid());
    // More lines than the live view shows, with markup that must stay text.
    QStringList thought{u"\n"_s};
    for (int line = 1; line <= 12; ++line)
        thought.append(u"Step %1: <b>weigh</b> **this**.\n"_s.arg(line));
    f.model().setStreamResponse(FakeModelServer::thinkingStream(
        FakeModelServer::Thinking::reasoningContent, thought, {u"The "_s, u"answer."_s}, 60));
    ConversationController &c = f.controller();
    Window window(c);
    c.setDraft(u"Think first"_s);
    c.sendMessage();

    const auto thoughtRow = [&]() -> ThoughtRow * {
        const std::optional<ChatMessage> answer = openAnswer(c);
        AssistantMessageRow *row = answer ? window.row(answer->id) : nullptr;
        return row ? row->thoughtRow() : nullptr;
    };
    // Well into the thought: the live text follows its newest line, six lines tall.
    QTRY_VERIFY_WITH_TIMEOUT(thoughtRow() && thoughtRow()->isLive()
                                 && thoughtRow()->liveView()->blockCount() >= 9,
                             waitMs);
    ThoughtRow *row = thoughtRow();
    auto *answerRow = qobject_cast<AssistantMessageRow *>(row->parentWidget());
    QCOMPARE(row->toggle()->text(), u"Thinking…"_s);
    QVERIFY(!row->toggle()->isEnabled());
    QVERIFY(shows(row->liveView(), answerRow));
    QVERIFY(!shows(answerRow->markdownView(), answerRow));
    // The pulsing row has given way.
    QVERIFY(!window.view.scrollView()->rowWidget(MessageListRows::thinkingRowId()));
    QPlainTextEdit *live = row->liveView();
    QVERIFY(live->toPlainText().startsWith(u"Step 1: <b>weigh</b> **this**.\n"_s));
    // Its last six lines whole in view, and nothing more.
    QVERIFY(live->height() < linesHeight(live, ThoughtRow::maximumLiveLines + 1));
    QScrollBar *bar = live->verticalScrollBar();
    QCOMPARE(bar->maximum(), live->document()->lineCount() - ThoughtRow::maximumLiveLines);
    QCOMPARE(bar->value(), bar->maximum());
    // Nothing of it is Markdown while it streams.
    QVERIFY(!row->fullView());

    QVERIFY(f.waitUntilIdle());
    QCoreApplication::processEvents();
    QCOMPARE(thoughtRow(), row);
    QVERIFY(!row->isLive());
    QVERIFY(row->toggle()->isEnabled());
    QVERIFY(row->toggle()->text().startsWith(u"Thought for "_s));
    QVERIFY(!row->isExpanded());
    QVERIFY(!shows(live, answerRow));
    QVERIFY(!row->fullView());
    QCOMPARE(answerRow->markdownView()->text(), u"The answer."_s);
    QVERIFY(shows(answerRow->copyButton(), answerRow));
    const std::optional<ChatMessage> stored = openAnswer(c);
    QVERIFY(stored);
    QVERIFY(stored->reasoning.startsWith(u"Step 1:"_s));
    QCOMPARE(stored->text, u"The answer."_s);
}

void TestThoughts::stoppedThoughtStaysWithoutAnEmptyAnswer_data()
{
    QTest::addColumn<bool>("showsThoughts");
    QTest::newRow("thoughts shown") << true;
    QTest::newRow("thoughts hidden") << false;
}

void TestThoughts::stoppedThoughtStaysWithoutAnEmptyAnswer()
{
    QFETCH(bool, showsThoughts);
    ControllerFixture f;
    QVERIFY(f.isValid());
    f.model().setStreamResponse(
        FakeModelServer::thinkingStream(FakeModelServer::Thinking::reasoningContent,
                                        {u"Hmm,"_s, u" let"_s, u" me"_s}, {u"Never."_s}, 1000));
    ConversationController &c = f.controller();
    Window window(c);
    window.view.setShowsThoughts(showsThoughts);
    c.setDraft(u"Think long"_s);
    c.sendMessage();
    QTRY_VERIFY_WITH_TIMEOUT(openAnswer(c) && !openAnswer(c)->reasoning.isEmpty(), waitMs);
    QCoreApplication::processEvents();
    // Hidden or not, the model is seen at work, and no cursor stands alone meanwhile.
    {
        AssistantMessageRow *row = window.row(openAnswer(c)->id);
        QVERIFY(row);
        const auto atWork = [row, showsThoughts] {
            auto *waiting = row->findChild<ThinkingRow *>();
            return showsThoughts ? shows(row->thoughtRow(), row) : waiting && shows(waiting, row);
        };
        QTRY_VERIFY(atWork());
        QVERIFY(!shows(row->markdownView(), row));
    }
    c.stopStreaming();
    QVERIFY(f.waitUntilIdle());
    QCoreApplication::processEvents();

    const std::optional<ChatMessage> answer = openAnswer(c);
    QVERIFY(answer);
    QVERIFY(answer->text.isEmpty());
    AssistantMessageRow *row = window.row(answer->id);
    QVERIFY(row);
    QCOMPARE(shows(row->thoughtRow(), row), showsThoughts);
    if (showsThoughts) {
        QVERIFY(!row->thoughtRow()->isLive());
        QVERIFY(row->thoughtRow()->toggle()->text().startsWith(u"Thought for "_s));
    }
    QVERIFY(!shows(row->markdownView(), row));
    auto *waiting = row->findChild<ThinkingRow *>();
    QVERIFY(!waiting || !shows(waiting, row));
    QVERIFY(!shows(row->copyButton(), row));
}

VELM_TEST_MAIN(TestThoughts)

#include "tst_thoughts.moc"
