#include "e2e/e2efixture.h"

#include "chat/settings.h"
#include "chat/settingskeys.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSettings>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString stageLine = u"Onboarding shows stage "_s;

} // namespace

bool E2EFixture::setUp()
{
    const QStringList missing = XSession::missingTools();
    if (!missing.isEmpty()) {
        QTest::qSkip(qPrintable(u"not installed: "_s + missing.join(u", "_s)), __FILE__, __LINE__);
        return false;
    }
    const bool ready = m_velm.isValid() && m_x.start() && m_model.listen() && m_searxng.listen();
    if (!ready)
        QTest::qFail("the display, the servers or velm's home could not be set up", __FILE__,
                     __LINE__);
    return ready;
}

void E2EFixture::finishOnboarding(const QString &webSearchMode)
{
    Settings settings(m_velm.settingsFile(), m_velm.dataDirectory());
    settings.setLmStudioServerAddress(m_model.address());
    settings.setHasCompletedOnboarding(true);
    settings.setWebSearchMode(webSearchMode);
    settings.setSearxngHost(u"127.0.0.1"_s);
    settings.setSearxngPort(QString::number(m_searxng.port()));
    settings.setSearxngUseHTTPS(false);
}

void E2EFixture::startVelm()
{
    QVERIFY2(m_velm.start(), qPrintable(log()));
    QVERIFY2(m_x.waitForWindow(windowTitle), qPrintable(log()));
}

QStringList E2EFixture::streamPieces(const QString &text, qsizetype pieceSize)
{
    QStringList result;
    for (qsizetype at = 0; at < text.size(); at += pieceSize)
        result.append(text.mid(at, pieceSize));
    return result;
}

void E2EFixture::serveStreamedAnswer(const QString &answer, const QString &title,
                                     qsizetype pieceSize, int delayMs)
{
    m_model.setModels({u"e2e-model"_s});
    FakeResponse stream
        = FakeResponse::eventStream(FakeModelServer::streamBody(streamPieces(answer, pieceSize)));
    stream.delayBetweenPiecesMs = delayMs;
    m_model.setStreamResponse(stream);
    m_model.setCompletion(title);
}

void E2EFixture::serveHits(const QList<SearchHit> &hits)
{
    QJsonArray results;
    for (const SearchHit &hit : hits)
        results.append(FakeSearxngServer::result(hit.title, hit.url, hit.snippet));
    m_searxng.serveResults(results);
}

QList<QJsonObject> E2EFixture::answerRequests()
{
    QList<QJsonObject> bodies;
    for (const FakeRequest &request : m_model.http().requests()) {
        const QJsonObject body = QJsonDocument::fromJson(request.body).object();
        if (request.path() == u"/v1/chat/completions"_s && body.value(u"stream"_s).toBool())
            bodies.append(body);
    }
    return bodies;
}

std::optional<ChatSession> E2EFixture::storedChat(const QString &text) const
{
    for (const ChatSession &session : m_velm.storedSessions()) {
        if (!session.messages.isEmpty() && session.messages.first().text == text)
            return session;
    }
    return std::nullopt;
}

void E2EFixture::focusMainWindow()
{
    // A window that a dialog gave back, or one that a busy machine maps late, can be a moment
    // in showing again.
    QString window;
    const auto shown = [&] {
        window = windowId();
        return !window.isEmpty();
    };
    QVERIFY2(QTest::qWaitFor(shown, 5000), qPrintable(log()));
    QCOMPARE(m_x.xdotool({u"windowfocus"_s, u"--sync"_s, window}), 0);
}

void E2EFixture::askInComposer(const QString &question)
{
    E2E_STEP(clickComposer());
    QCOMPARE(m_x.xdotool({u"type"_s, u"--delay"_s, u"15"_s, question}), 0);
    QCOMPARE(m_x.xdotool({u"key"_s, u"Return"_s}), 0);
}

void E2EFixture::clickComposer()
{
    E2E_STEP(focusMainWindow());
    const QString window = windowId();
    const QRect geometry = m_x.windowGeometry(window);
    QVERIFY(!geometry.isEmpty());
    // The composer's first line, near the window's foot.
    QCOMPARE(m_x.xdotool({u"mousemove"_s, u"--window"_s, window, u"--sync"_s,
                          QString::number(geometry.width() / 2),
                          QString::number(geometry.height() - 74)}),
             0);
    QCOMPARE(m_x.xdotool({u"click"_s, u"1"_s}), 0);
    QCOMPARE(m_x.xdotool({u"mousemove"_s, u"0"_s, u"0"_s}), 0);
}

void E2EFixture::waitForAnswer(const QString &question, const QString &answer)
{
    const auto answered = [&] {
        const std::optional<ChatSession> chat = storedChat(question);
        return chat && chat->messages.size() == 2 && chat->messages.last().text == answer;
    };
    QVERIFY2(QTest::qWaitFor(answered, waitMs), qPrintable(log()));
}

void E2EFixture::openQuickAskByChord()
{
    QVERIFY(!m_x.hasVisibleWindow(barTitle));
    bool opened = false;
    for (int attempt = 0; attempt < 15 && !opened; ++attempt) {
        m_x.xdotool({u"key"_s, u"super+shift+k"_s});
        opened = m_x.waitForWindow(barTitle, true, 2000);
    }
    QVERIFY2(opened, qPrintable(log()));
}

void E2EFixture::askInQuickAsk(const QString &question)
{
    // Keys pressed before the bar has the X input focus go to whatever had it.
    QVERIFY(QTest::qWaitFor([&] { return m_x.hasFocusedWindow(barTitle); }, 5000));
    const qsizetype mark = m_velm.logMark();
    QCOMPARE(m_x.xdotool({u"type"_s, u"--delay"_s, u"15"_s, question}), 0);
    QCOMPARE(m_x.xdotool({u"key"_s, u"Return"_s}), 0);
    QVERIFY2(m_velm.waitForLog(u"The Quick Ask bar shows an answer"_s, mark), qPrintable(log()));
}

void E2EFixture::screenshot(const QString &name, bool wholeScreen)
{
    QCOMPARE(m_x.xdotool({u"mousemove"_s, u"0"_s, u"0"_s}), 0);
    QTest::qWait(300);
    QVERIFY2(!m_x.saveScreenshot(name, wholeScreen ? QString() : windowId()).isEmpty(),
             qPrintable(name));
}

QString E2EFixture::draft(QStringView key) const
{
    // A new reader each time: velm writes the file while we wait.
    const QSettings drafts(m_velm.onboardingDraftsFile(), QSettings::IniFormat);
    return drafts.value(key.toString()).toString();
}

void E2EFixture::typeIntoField(const QString &text, QStringView draftKey)
{
    // The field takes the keyboard a moment after its stage shows; on a busy machine that
    // moment can come after the keys, so they are typed again (replacing the text) until the
    // draft holds them.
    bool stored = false;
    for (int attempt = 0; attempt < 3 && !stored; ++attempt) {
        QTest::qWait(300);
        E2E_STEP(focusMainWindow());
        QCOMPARE(m_x.xdotool({u"key"_s, u"ctrl+a"_s}), 0);
        QCOMPARE(m_x.xdotool({u"type"_s, u"--delay"_s, u"15"_s, text}), 0);
        stored = QTest::qWaitFor([&] { return draft(draftKey) == text; }, 4000);
    }
    QVERIFY2(stored,
             qPrintable(u"the draft %1 holds \"%2\", not \"%3\"\n%4"_s.arg(
                 draftKey.toString(), draft(draftKey), text, log())));
}

void E2EFixture::pressReturnFor(const QString &nextStage)
{
    const qsizetype mark = m_velm.logMark();
    QCOMPARE(m_x.xdotool({u"key"_s, u"Return"_s}), 0);
    const QString line = nextStage.isEmpty() ? u"Onboarding finished"_s : stageLine + nextStage;
    QVERIFY2(m_velm.waitForLog(line, mark), qPrintable(u"no \"%1\"\n%2"_s.arg(line, log())));
}

void E2EFixture::testConnection(const QString &logLine)
{
    const qsizetype mark = m_velm.logMark();
    QCOMPARE(m_x.xdotool({u"key"_s, u"Return"_s}), 0);
    // Either ending, so that a failed test fails at once rather than at the time-out.
    QVERIFY2(m_velm.waitForLog(logLine + u": "_s, mark),
             qPrintable(u"no \"%1\"\n%2"_s.arg(logLine, log())));
    QVERIFY2(log().indexOf(logLine + u": ok"_s, mark) >= 0, qPrintable(log()));
    // The badge and the field's green settle.
    QTest::qWait(500);
}

void E2EFixture::walkOnboarding(const QString &name, const QString &modelAddress,
                                const QString &searxngAddress, const QString &screenshotPrefix)
{
    const auto shoot = [&](int number, const QString &stage) {
        E2E_STEP(focusMainWindow());
        screenshot(u"%1%2-%3.png"_s.arg(screenshotPrefix).arg(number).arg(stage));
    };
    // Shown once velm starts, so anywhere in the log; then the card's entrance.
    QVERIFY2(m_velm.waitForLog(stageLine + u"welcome"_s), qPrintable(log()));
    QTest::qWait(600);
    E2E_STEP(shoot(1, u"welcome"_s));
    E2E_STEP(pressReturnFor(u"name"_s));

    E2E_STEP(typeIntoField(name, SettingsKeys::draftName));
    E2E_STEP(shoot(2, u"name"_s));
    E2E_STEP(pressReturnFor(u"llm"_s));

    E2E_STEP(typeIntoField(modelAddress, SettingsKeys::draftLlmAddress));
    E2E_STEP(testConnection(u"Onboarding test of the model server"_s));
    E2E_STEP(shoot(3, u"llm"_s));
    E2E_STEP(pressReturnFor(u"search"_s));

    E2E_STEP(typeIntoField(searxngAddress, SettingsKeys::draftSearxng));
    E2E_STEP(testConnection(u"Onboarding test of SearXNG"_s));
    E2E_STEP(shoot(4, u"search"_s));
    E2E_STEP(pressReturnFor(u"theme"_s));

    QTest::qWait(400);
    E2E_STEP(shoot(5, u"theme"_s));
    E2E_STEP(pressReturnFor(u"done"_s));

    // The check's spring, the confetti's burst after 0.25 s and its fall 0.9 s later.
    QTest::qWait(2200);
    E2E_STEP(shoot(6, u"done"_s));
    pressReturnFor(QString());
}
