#include "e2e/e2efixture.h"
#include "support/testregistry.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString question = u"What is the square of x?"_s;
// Words that take a few seconds to stream before the formula, so that the user is typing
// the next question when it appears.
const QString answer = u"Squaring multiplies a number by itself, so for any real x "
                       u"the square is never negative and is written with an exponent:\n\n"
                       u"$$x^2$$\n\nThat is all."_s;
// Typed before the formula shows, with the caret then moved back before "y?", and the rest
// typed after: the text sent is both, in the order of the caret.
const QString typedBefore = u"What about y?"_s;
const QString typedAfter = u"z or "_s;
const QString nextQuestion = u"What about z or y?"_s;

QByteArray readProc(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Whether a process runs whose parent is `pid`: a browser engine would start helpers.
bool hasChildProcess(qint64 pid)
{
    const QStringList entries = QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        // "pid (comm) state ppid …"; comm may hold spaces, so read after its ')'.
        const QByteArray stat = readProc(u"/proc/"_s + entry + u"/stat"_s);
        const QList<QByteArray> rest = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (rest.size() > 1 && rest[1].toLongLong() == pid)
            return true;
    }
    return false;
}

} // namespace

// The real velm on a virtual X display without a tray, up to its first formula and past it,
// and out again with Ctrl+Q. Formulas are drawn by velm itself, in its one process: no browser
// engine or web channel library is ever loaded, no helper process started, and the window is
// never an OpenGL window (no OpenGL driver, Mesa's DRI drivers and with them the software
// rasteriser, is loaded; every repaint, each blink of the caret, would go through it). So the
// first formula does not make Qt recreate the window, and someone typing the next question as
// it appears keeps the keyboard and the caret where it was.
class TestE2EFirstFormula : public QObject
{
    Q_OBJECT

private:
    qint64 pid() { return m_e2e.velm().process().processId(); }
    bool glDriverLoaded() { return readProc(u"/proc/%1/maps"_s.arg(pid())).contains("_dri.so"); }
    bool webEngineLoaded()
    {
        const QByteArray maps = readProc(u"/proc/%1/maps"_s.arg(pid()));
        return maps.contains("libQt6WebEngine") || maps.contains("libQt6WebChannel")
            || hasChildProcess(pid());
    }

    // The user messages of the streamed completion requests, in order.
    QStringList askedQuestions()
    {
        QStringList asked;
        for (const QJsonObject &body : m_e2e.answerRequests())
            asked.append(body.value(u"messages"_s).toArray().last()[u"content"_s].toString());
        return asked;
    }

    E2EFixture m_e2e;

private Q_SLOTS:
    void initTestCase()
    {
        if (!m_e2e.setUp())
            return;
        // Slower than a real server: the words before the formula take about three seconds.
        m_e2e.serveStreamedAnswer(answer, u"Squares"_s, 8, 150);
        m_e2e.finishOnboarding(u"never"_s);
        m_e2e.startVelm();
    }

    void windowWithoutMathLoadsNoOpenGL()
    {
        // The new-chat screen after its entrance, shown and painted.
        QTest::qWait(2000);
        QVERIFY(m_e2e.velm().isRunning());
        QVERIFY(!webEngineLoaded());
        QVERIFY2(!glDriverLoaded(), "an OpenGL driver is loaded before any formula showed");
    }

    void composerKeepsTheKeyboardWhenTheFirstFormulaShows()
    {
        const QString window = m_e2e.windowId();
        E2E_STEP(m_e2e.askInComposer(question));

        // The next question, started while the words before the formula stream in (once the
        // composer has moved from the new-chat screen to the conversation).
        QVERIFY2(QTest::qWaitFor([&] { return askedQuestions().size() == 1; }, E2EFixture::waitMs),
                 qPrintable(m_e2e.log()));
        QTest::qWait(300);
        QCOMPARE(m_e2e.x().xdotool({u"type"_s, u"--delay"_s, u"15"_s, typedBefore}), 0);
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"Left"_s, u"Left"_s}), 0);

        // The formula comes with the answer's end, and shows in the same native window.
        E2E_STEP(m_e2e.waitForAnswer(question, answer));
        QTest::qWait(500);
        QCOMPARE(m_e2e.windowId(), window);
        QVERIFY(m_e2e.x().hasFocusedWindow(E2EFixture::windowTitle));
        QCOMPARE(m_e2e.x().xdotool({u"type"_s, u"--delay"_s, u"15"_s, typedAfter}), 0);
        QTest::qWait(500);
        m_e2e.screenshot(u"firstformula-answer.png"_s);
        QVERIFY2(!webEngineLoaded(), "a formula loaded a browser engine");
        QVERIFY2(!glDriverLoaded(), "the formula loaded an OpenGL driver");
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"Return"_s}), 0);
        QVERIFY2(QTest::qWaitFor([&] { return askedQuestions().size() == 2; }, E2EFixture::waitMs),
                 qPrintable(m_e2e.log()));
        QCOMPARE(askedQuestions(), QStringList({question, nextQuestion}));
    }

    void withoutTrayCloseToMenuBarQuits()
    {
        // Xvfb has no tray: hiding would leave no way back, so Ctrl+Q ends velm.
        E2E_STEP(m_e2e.focusMainWindow());
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"ctrl+q"_s}), 0);
        QVERIFY2(m_e2e.velm().waitForExit(), qPrintable(m_e2e.log()));
    }
};

VELM_TEST_MAIN(TestE2EFirstFormula)
#include "tst_e2e_firstformula.moc"
