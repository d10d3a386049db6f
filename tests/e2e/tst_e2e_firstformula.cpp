#include "chat/settings.h"
#include "e2e/scriptedservers.h"
#include "e2e/velmprocess.h"
#include "e2e/xsession.h"
#include "support/fakemodelserver.h"
#include "support/testregistry.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString windowTitle = u"velm"_s;
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

// Whether a process runs whose parent is `pid`: the web engine's helpers are started by the
// app's own process once the first formula is set up.
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

// The real velm on a virtual X display, up to its first formula and past it. Its window is
// never an OpenGL window, formulas or not: no OpenGL driver (Mesa's DRI drivers, and with
// them the software rasteriser) is ever loaded, and every repaint of an OpenGL window, each
// blink of the caret, would go through it. So the first formula does not make Qt recreate
// the window either, and someone typing the next question as it appears keeps the keyboard
// and the caret where it was.
class TestE2EFirstFormula : public QObject
{
    Q_OBJECT

private:
    QString log() const { return m_velm.log(); }
    QString windowId() const { return m_x.visibleWindows(windowTitle).value(0); }
    qint64 pid() { return m_velm.process().processId(); }
    bool glDriverLoaded() { return readProc(u"/proc/%1/maps"_s.arg(pid())).contains("_dri.so"); }
    bool webEngineStarted() { return hasChildProcess(pid()); }

    // The user messages of the streamed completion requests, in order.
    QStringList askedQuestions()
    {
        QStringList asked;
        for (const FakeRequest &request : m_model.http().requests()) {
            const QJsonObject body = QJsonDocument::fromJson(request.body).object();
            if (request.path() != u"/v1/chat/completions"_s || !body.value(u"stream"_s).toBool())
                continue;
            const QJsonArray messages = body.value(u"messages"_s).toArray();
            asked.append(messages.last().toObject().value(u"content"_s).toString());
        }
        return asked;
    }

    XSession m_x;
    FakeModelServer m_model;
    VelmProcess m_velm{&m_x};

private Q_SLOTS:
    void initTestCase()
    {
        const QStringList missing = XSession::missingTools();
        if (!missing.isEmpty())
            QSKIP(qPrintable(u"not installed: "_s + missing.join(u", "_s)));
        QVERIFY(m_velm.isValid());
        QVERIFY(m_x.start());

        QVERIFY(m_model.listen());
        serveStreamedAnswer(m_model, answer, u"Squares"_s, 8);
        // Slower than a real server: the words before the formula take about three seconds.
        FakeResponse stream
            = FakeResponse::eventStream(FakeModelServer::streamBody(streamPieces(answer, 8)));
        stream.delayBetweenPiecesMs = 150;
        m_model.setStreamResponse(stream);
        {
            Settings settings(m_velm.settingsFile(), m_velm.dataDirectory());
            settings.setLmStudioServerAddress(m_model.address());
            settings.setHasCompletedOnboarding(true);
            settings.setWebSearchMode(u"never"_s);
        }
        QVERIFY2(m_velm.start(), qPrintable(log()));
        QVERIFY2(m_x.waitForWindow(windowTitle), qPrintable(log()));
    }

    void cleanupTestCase() { m_velm.stop(); }

    void windowWithoutMathLoadsNoOpenGL()
    {
        // The new-chat screen after its entrance, shown and painted.
        QTest::qWait(2000);
        QVERIFY(m_velm.isRunning());
        QVERIFY(!webEngineStarted());
        QVERIFY2(!glDriverLoaded(), "an OpenGL driver is loaded before any formula showed");
    }

    void composerKeepsTheKeyboardWhenTheFirstFormulaShows()
    {
        const QString window = windowId();
        const QRect geometry = m_x.windowGeometry(window);
        QVERIFY(!geometry.isEmpty());
        QCOMPARE(m_x.xdotool({u"windowfocus"_s, u"--sync"_s, window}), 0);
        QCOMPARE(m_x.xdotool({u"mousemove"_s, u"--window"_s, window, u"--sync"_s,
                              QString::number(geometry.width() / 2),
                              QString::number(geometry.height() - 74)}),
                 0);
        QCOMPARE(m_x.xdotool({u"click"_s, u"1"_s}), 0);
        QCOMPARE(m_x.xdotool({u"mousemove"_s, u"0"_s, u"0"_s}), 0);
        QCOMPARE(m_x.xdotool({u"type"_s, u"--delay"_s, u"15"_s, question}), 0);
        QCOMPARE(m_x.xdotool({u"key"_s, u"Return"_s}), 0);

        // The next question, started while the words before the formula stream in (once the
        // composer has moved from the new-chat screen to the conversation).
        QVERIFY2(QTest::qWaitFor([&] { return askedQuestions().size() == 1; },
                                 VelmProcess::defaultTimeoutMs),
                 qPrintable(log()));
        QTest::qWait(300);
        QCOMPARE(m_x.xdotool({u"type"_s, u"--delay"_s, u"15"_s, typedBefore}), 0);
        QCOMPARE(m_x.xdotool({u"key"_s, u"Left"_s, u"Left"_s}), 0);
        QVERIFY2(!webEngineStarted(), "the formula came before the test typed: stream slower");

        QVERIFY2(QTest::qWaitFor([&] { return webEngineStarted(); }, VelmProcess::defaultTimeoutMs),
                 qPrintable(log()));
        // The formula's page loads and shows, in the same native window as before.
        QTest::qWait(2000);
        QCOMPARE(windowId(), window);
        QVERIFY(m_x.hasFocusedWindow(windowTitle));
        QCOMPARE(m_x.xdotool({u"type"_s, u"--delay"_s, u"15"_s, typedAfter}), 0);

        // Sent once the answer has ended.
        const auto answered = [&] {
            const QList<ChatSession> sessions = m_velm.storedSessions();
            return sessions.size() == 1 && sessions.first().messages.size() == 2
                && sessions.first().messages.last().text == answer;
        };
        QVERIFY2(QTest::qWaitFor(answered, VelmProcess::defaultTimeoutMs), qPrintable(log()));
        QTest::qWait(2000);
        QVERIFY(!m_x.saveScreenshot(u"firstformula-answer.png"_s, windowId()).isEmpty());
        QVERIFY2(!glDriverLoaded(), "the formula loaded an OpenGL driver");
        QCOMPARE(m_x.xdotool({u"key"_s, u"Return"_s}), 0);
        QVERIFY2(QTest::qWaitFor([&] { return askedQuestions().size() == 2; },
                                 VelmProcess::defaultTimeoutMs),
                 qPrintable(log()));
        QCOMPARE(askedQuestions(), QStringList({question, nextQuestion}));
    }
};

VELM_TEST_MAIN(TestE2EFirstFormula)
#include "tst_e2e_firstformula.moc"
