#include "chat/settings.h"
#include "e2e/e2efixture.h"
#include "support/testregistry.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString firstQuestion = u"Name three moons of Jupiter."_s;
const QString firstAnswer = u"Io, Europa and Ganymede are three of the Galilean moons of "
                            u"Jupiter; Callisto is the fourth."_s;
const QString secondQuestion = u"And one of Saturn?"_s;
const QString secondAnswer = u"Titan, the largest moon of Saturn."_s;
const QString thirdQuestion = u"Which moons of Jupiter did Galileo find?"_s;

// A llama.cpp server: its timings come in the chunk that ends the answer.
FakeResponse timedAnswer(const QString &text, int tokens, double tokensPerSecond)
{
    FakeResponse response = FakeResponse::eventStream(FakeModelServer::streamBody(
        E2EFixture::streamPieces(text), FakeModelServer::Usage::timings, tokens, tokensPerSecond));
    response.delayBetweenPiecesMs = 40;
    return response;
}

QString preferredModel(const VelmProcess &velm)
{
    return Settings(velm.settingsFile(), velm.dataDirectory()).preferredModel();
}

} // namespace

// Choosing the model and seeing each answer's speed with the real velm: an answer from the
// automatic choice with its caption, the composer's model menu opened and used with the
// keyboard, and the next answer from the model picked there. Screenshots of each are saved
// under the build tree.
class TestE2EModelSpeed : public QObject
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
        m_e2e.model().setModels(
            {u"lmstudio-community/qwen3-8b"_s, u"gemma-3-4b"_s, u"llama-3.2-3b"_s});
        m_e2e.model().setCompletion(u"Moons"_s);
        m_e2e.model().setStreamResponse(timedAnswer(firstAnswer, 24, 41.3));
        m_e2e.finishOnboarding(u"never"_s);
        m_e2e.startVelm();
    }

    void answerShowsItsModelAndSpeed()
    {
        QTest::qWait(1500);
        E2E_STEP(m_e2e.askInComposer(firstQuestion));
        E2E_STEP(m_e2e.waitForAnswer(firstQuestion, firstAnswer));
        const ChatMessage stored = m_e2e.storedChat(firstQuestion)->messages.last();
        QCOMPARE(stored.model, u"lmstudio-community/qwen3-8b"_s);
        QVERIFY(stored.stats);
        QCOMPARE(stored.stats->tokens, 24);
        QVERIFY(!stored.stats->approximate);
        QCOMPARE(stored.stats->tokensPerSecond, std::optional(41.3));
        QVERIFY(stored.stats->firstTokenSeconds);
        QTest::qWait(800);
        m_e2e.screenshot(u"modelspeed-1-answer-caption.png"_s);
    }

    void modelMenuByKeyboard()
    {
        // From the composer's field: the paperclip, the search chip, then the model chip.
        E2E_STEP(m_e2e.focusMainWindow());
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"Tab"_s}), 0);
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"Tab"_s}), 0);
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"Tab"_s}), 0);
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"space"_s}), 0);
        // The list arrives from the server while the menu is open.
        QTest::qWait(1000);
        m_e2e.screenshot(u"modelspeed-2-model-menu.png"_s, true);

        // Automatic, then the three models: the second one.
        for (int step = 0; step < 3; ++step)
            QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"Down"_s}), 0);
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"Return"_s}), 0);
        QVERIFY2(QTest::qWaitFor([&] { return preferredModel(m_e2e.velm()) == u"gemma-3-4b"_s; },
                                 E2EFixture::waitMs),
                 qPrintable(preferredModel(m_e2e.velm())));
    }

    void nextAnswerComesFromTheChosenModel()
    {
        m_e2e.model().setStreamResponse(timedAnswer(secondAnswer, 9, 87.9));
        // A new chat, so that the screenshot shows the one answer.
        E2E_STEP(m_e2e.focusMainWindow());
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"ctrl+n"_s}), 0);
        QTest::qWait(1500);
        E2E_STEP(m_e2e.askInComposer(secondQuestion));
        E2E_STEP(m_e2e.waitForAnswer(secondQuestion, secondAnswer));
        QCOMPARE(m_e2e.answerRequests().last().value(u"model").toString(), u"gemma-3-4b"_s);
        QCOMPARE(m_e2e.storedChat(secondQuestion)->messages.last().model, u"gemma-3-4b"_s);
        QTest::qWait(800);
        m_e2e.screenshot(u"modelspeed-3-chosen-model.png"_s);
    }

    // A chosen model the server has not loaded: the chip warns, the answer still comes.
    void missingModelIsReplaced()
    {
        const VelmCommandRun config
            = m_e2e.velm().run({u"config"_s, u"preferredModel"_s, u"mistral-7b-instruct"_s});
        QCOMPARE(config.exitCode, 0);
        m_e2e.model().setStreamResponse(timedAnswer(firstAnswer, 24, 41.3));
        E2E_STEP(m_e2e.focusMainWindow());
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"ctrl+n"_s}), 0);
        QTest::qWait(1500);
        E2E_STEP(m_e2e.askInComposer(thirdQuestion));
        E2E_STEP(m_e2e.waitForAnswer(thirdQuestion, firstAnswer));
        QCOMPARE(m_e2e.storedChat(thirdQuestion)->messages.last().model,
                 u"lmstudio-community/qwen3-8b"_s);
        QTest::qWait(800);
        m_e2e.screenshot(u"modelspeed-4-model-missing.png"_s);
    }
};

VELM_TEST_MAIN(TestE2EModelSpeed)
#include "tst_e2e_modelspeed.moc"
