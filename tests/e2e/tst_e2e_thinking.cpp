#include "e2e/e2efixture.h"
#include "support/testregistry.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString question = u"How many weekdays are there in March 2025?"_s;
const QString thought
    = u"March 2025 has 31 days. March 1, 2025 is a **Saturday**, so the month starts on a "
      u"weekend.\n\n"
      u"Four full weeks, from Saturday the 1st to Friday the 28th, hold 4 × 5 = 20 weekdays. "
      u"That leaves three days:\n\n"
      u"- the 29th, a Saturday\n"
      u"- the 30th, a Sunday\n"
      u"- the 31st, a Monday\n\n"
      u"Only Monday the 31st is a weekday, so 20 + 1 = 21.\n\n"
      u"Let me check another way: 31 days minus the weekend days. The Saturdays are the 1st, "
      u"8th, 15th, 22nd and 29th; the Sundays the 2nd, 9th, 16th, 23rd and 30th. That is 10 "
      u"weekend days, and 31 − 10 = 21. Both ways agree, and no public holiday was asked "
      u"about, so the answer is 21."_s;
const QString answer = u"There are **21 weekdays** in March 2025.\n\n"
                       u"The month begins on a Saturday and ends on a Monday, so it has five "
                       u"Saturdays and five Sundays: 31 − 10 = 21."_s;

const QString quickQuestion = u"Is 221 a prime number?"_s;
const QString quickThought = u"221 is odd, and its digits sum to 5, so neither 2 nor 3 divides "
                             u"it. 5 does not either. 7 × 31 = 217, no. 11 × 20 = 220, no. "
                             u"13 × 17 = 221. So it is not prime."_s;
const QString quickAnswer = u"No: **221 = 13 × 17**."_s;

// A model that thinks for about a second in small pieces, then answers.
FakeResponse thinkingAnswer(const QString &thoughtText, const QString &answerText)
{
    const QStringList thoughtPieces = E2EFixture::streamPieces(thoughtText, 20);
    const int delayMs = 1100 / int(thoughtPieces.size());
    return FakeModelServer::thinkingStream(FakeModelServer::Thinking::reasoningContent,
                                           thoughtPieces, E2EFixture::streamPieces(answerText),
                                           delayMs);
}

} // namespace

// A thinking model with the real velm: in the main window its thought streams in under
// "Thinking…" and folds into "Thought for … seconds" once the answer comes, which a click
// opens; in the Quick Ask bar the waiting dots say "Thinking…" until the answer shows, and
// saving the exchange keeps the thought. Screenshots of every state are saved under the build
// tree.
class TestE2EThinking : public QObject
{
    Q_OBJECT

private:
    QString log() const { return m_e2e.log(); }

    E2EFixture m_e2e;

private Q_SLOTS:
    void initTestCase()
    {
        if (!m_e2e.setUp())
            return;
        m_e2e.model().setModels({u"e2e-model"_s});
        m_e2e.model().setCompletion(u"Weekdays in March"_s);
        m_e2e.model().setStreamResponse(thinkingAnswer(thought, answer));
        m_e2e.finishOnboarding(u"never"_s);
        m_e2e.startVelm();
    }

    void mainWindowShowsTheThoughtThenFoldsIt()
    {
        // The new-chat screen after its entrance.
        QTest::qWait(1500);
        E2E_STEP(m_e2e.askInComposer(question));
        QVERIFY2(
            QTest::qWaitFor([&] { return !m_e2e.answerRequests().isEmpty(); }, E2EFixture::waitMs),
            qPrintable(log()));
        // Some way into the thought; the screenshot itself waits a little more.
        QTest::qWait(300);
        m_e2e.screenshot(u"thinking-1-mainwindow-thinking.png"_s);

        E2E_STEP(m_e2e.waitForAnswer(question, answer));
        const ChatMessage stored = m_e2e.storedChat(question)->messages.last();
        QCOMPARE(stored.reasoning, thought);
        QVERIFY(stored.thinkingSeconds.has_value());
        // The thought was never sent back as part of the answer.
        QVERIFY(!stored.text.contains(u"Saturday, Sunday and Monday"_s));
        QTest::qWait(1000);
        m_e2e.screenshot(u"thinking-2-mainwindow-thought.png"_s);

        // The folded thought sits at the head of the column, under the question's one line.
        const QString window = m_e2e.windowId();
        const QRect geometry = m_e2e.x().windowGeometry(window);
        const int columnLeft = (geometry.width() - 720) / 2;
        QCOMPARE(m_e2e.x().xdotool({u"mousemove"_s, u"--window"_s, window, u"--sync"_s,
                                    QString::number(columnLeft + 60), u"169"_s}),
                 0);
        QCOMPARE(m_e2e.x().xdotool({u"click"_s, u"1"_s}), 0);
        QTest::qWait(500);
        m_e2e.screenshot(u"thinking-3-mainwindow-thought-open.png"_s);
    }

    void quickAskShowsThinkingAndSavesTheThought()
    {
        m_e2e.model().setStreamResponse(thinkingAnswer(quickThought, quickAnswer));
        E2E_STEP(m_e2e.openQuickAskByChord());
        QVERIFY(QTest::qWaitFor([&] { return m_e2e.x().hasFocusedWindow(E2EFixture::barTitle); },
                                5000));
        const qsizetype mark = m_e2e.velm().logMark();
        QCOMPARE(m_e2e.x().xdotool({u"type"_s, u"--delay"_s, u"15"_s, quickQuestion}), 0);
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"Return"_s}), 0);
        QVERIFY2(m_e2e.velm().waitForLog(u"The Quick Ask bar shows that the model thinks"_s, mark),
                 qPrintable(log()));
        m_e2e.screenshot(u"thinking-4-quickask-thinking.png"_s, true);

        QVERIFY2(m_e2e.velm().waitForLog(u"The Quick Ask bar shows an answer"_s, mark),
                 qPrintable(log()));
        // The answer's entrance.
        QTest::qWait(1500);
        m_e2e.screenshot(u"thinking-5-quickask-answer.png"_s, true);

        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"ctrl+s"_s}), 0);
        QVERIFY2(m_e2e.x().waitForWindow(E2EFixture::windowTitle), qPrintable(log()));
        E2E_STEP(m_e2e.waitForAnswer(quickQuestion, quickAnswer));
        const ChatMessage saved = m_e2e.storedChat(quickQuestion)->messages.last();
        QCOMPARE(saved.reasoning, quickThought);
        QVERIFY(saved.thinkingSeconds.has_value());
        QTest::qWait(1000);
        m_e2e.screenshot(u"thinking-6-saved-chat.png"_s);
    }
};

VELM_TEST_MAIN(TestE2EThinking)
#include "tst_e2e_thinking.moc"
