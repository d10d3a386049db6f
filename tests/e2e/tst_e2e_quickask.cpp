#include "e2e/e2efixture.h"
#include "support/testregistry.h"

#include <QJsonArray>
#include <QTest>

using namespace Qt::StringLiterals;

// The real velm on a virtual X display: the chord opens the bar, a typed question is
// answered by the fake model server, Escape closes the bar. A screenshot of the answered
// bar is saved under the build tree.
class TestE2EQuickAsk : public QObject
{
    Q_OBJECT

private:
    E2EFixture m_e2e;

private Q_SLOTS:
    void initTestCase()
    {
        if (!m_e2e.setUp())
            return;
        m_e2e.model().setModels({u"e2e-model"_s});
        m_e2e.model().setStream({u"Six times seven is "_s, u"**42**."_s});
        m_e2e.finishOnboarding(u"never"_s);
        m_e2e.startVelm();
    }

    void chordOpensTheBar()
    {
        E2E_STEP(m_e2e.openQuickAskByChord());
        QVERIFY2(m_e2e.velm().waitForLog(u"Opened the Quick Ask bar"_s), qPrintable(m_e2e.log()));
    }

    void typedQuestionIsAnswered()
    {
        const QString question = u"What is six times seven?"_s;
        E2E_STEP(m_e2e.askInQuickAsk(question));
        const QJsonArray messages = m_e2e.model().lastChatRequest().value(u"messages"_s).toArray();
        QVERIFY(!messages.isEmpty());
        QCOMPARE(messages.last().toObject().value(u"role"_s).toString(), u"user"_s);
        QCOMPARE(messages.last().toObject().value(u"content"_s).toString(), question);

        // Let the answer's entrance finish before taking the picture.
        QTest::qWait(1500);
        m_e2e.screenshot(u"quickask-answered.png"_s, true);
    }

    void escapeClosesTheBar()
    {
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"Escape"_s}), 0);
        QVERIFY2(m_e2e.x().waitForWindow(E2EFixture::barTitle, false), qPrintable(m_e2e.log()));
        QVERIFY(m_e2e.velm().isRunning()); // closing the bar is not quitting
    }

    void withoutTrayCloseToMenuBarQuits()
    {
        // Xvfb has no tray: hiding would leave no way back, so Ctrl+Q ends velm.
        E2E_STEP(m_e2e.focusMainWindow());
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"ctrl+q"_s}), 0);
        QVERIFY2(m_e2e.velm().waitForExit(), qPrintable(m_e2e.log()));
    }
};

VELM_TEST_MAIN(TestE2EQuickAsk)
#include "tst_e2e_quickask.moc"
