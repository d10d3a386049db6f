#include "e2e/e2efixture.h"
#include "support/testregistry.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString question = u"Suggest a name for a grey cat."_s;
const QString firstAnswer = u"How about **Ash**? It is short, soft to call, and as grey as "
                            u"the cat."_s;
const QString secondAnswer = u"Try **Pebble**: small, round and grey, and it sounds friendly "
                             u"when you call it in for dinner."_s;
const QString edited = u"Suggest a name for a grey cat who loves the rain."_s;
const QString editedAnswer = u"**Drizzle** — a grey cat at home in the rain."_s;

} // namespace

// Asking again and editing with the real velm: Ctrl+Shift+R asks again for the answer, which
// then shows "‹ 2 / 2 ›" under it; Up in the empty composer turns the question into an edit
// field, and Return sends it with the Undo note under the composer. Screenshots of each state
// are saved under the build tree.
class TestE2EVersions : public QObject
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
        m_e2e.serveStreamedAnswer(firstAnswer, u"A grey cat's name"_s);
        m_e2e.finishOnboarding(u"never"_s);
        m_e2e.startVelm();
    }

    void regenerateThenEdit()
    {
        QTest::qWait(1500);
        E2E_STEP(m_e2e.askInComposer(question));
        E2E_STEP(m_e2e.waitForAnswer(question, firstAnswer));

        m_e2e.serveStreamedAnswer(secondAnswer, u"A grey cat's name"_s);
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"ctrl+shift+r"_s}), 0);
        E2E_STEP(m_e2e.waitForAnswer(question, secondAnswer));
        const ChatMessage answer = m_e2e.storedChat(question)->messages.last();
        QCOMPARE(answer.versions.size(), 2);
        QCOMPARE(answer.versions.first().text, firstAnswer);
        QCOMPARE(answer.chosenVersion, 1);
        QTest::qWait(800);
        m_e2e.screenshot(u"versions-1-regenerated.png"_s);

        // The composer kept the keyboard: Up edits the question.
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"Up"_s}), 0);
        QTest::qWait(300);
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"BackSpace"_s}), 0);
        QCOMPARE(m_e2e.x().xdotool({u"type"_s, u"--delay"_s, u"15"_s, u" who loves the rain."_s}),
                 0);
        QTest::qWait(500);
        m_e2e.screenshot(u"versions-2-editing.png"_s);

        m_e2e.serveStreamedAnswer(editedAnswer, u"A grey cat's name"_s);
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"Return"_s}), 0);
        E2E_STEP(m_e2e.waitForAnswer(edited, editedAnswer));
        QVERIFY(m_e2e.storedChat(edited)->messages.last().versions.isEmpty());
        QTest::qWait(800);
        m_e2e.screenshot(u"versions-3-edited-with-undo.png"_s);

        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"ctrl+z"_s}), 0);
        QVERIFY2(QTest::qWaitFor([&] { return m_e2e.storedChat(question).has_value(); },
                                 E2EFixture::waitMs),
                 qPrintable(log()));
        QCOMPARE(m_e2e.storedChat(question)->messages.last().versions.size(), 2);
    }
};

VELM_TEST_MAIN(TestE2EVersions)
#include "tst_e2e_versions.moc"
