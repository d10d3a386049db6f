#pragma once

#include "chat/chatsession.h"
#include "e2e/velmprocess.h"
#include "e2e/xsession.h"
#include "support/fakemodelserver.h"
#include "support/fakesearxngserver.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTest>

#include <optional>

// What the fake SearXNG finds in a scripted conversation.
struct SearchHit
{
    QString title;
    QString url;
    QString snippet;
};

// What every end-to-end test stands on: a virtual X display of its own, the fake model server
// and SearXNG instance on loopback, and the real velm on that display with a throw-away home;
// and the steps a user takes with it. The steps report failures through QtTest and return
// early; E2E_STEP leaves the calling test function after a step that failed.
class E2EFixture
{
public:
    static inline const QString windowTitle = QStringLiteral("velm");
    static inline const QString barTitle = QStringLiteral("velm Quick Ask");
    static constexpr int waitMs = VelmProcess::defaultTimeoutMs;

    // Starts the display and the servers; skips the test where Xvfb or xdotool is missing.
    // False when the test is not to go on.
    bool setUp();
    // The preferences of a user who has been through the first-run flow, with the fake
    // servers as model server and SearXNG; before velm starts.
    void finishOnboarding(const QString &webSearchMode);
    // Starts velm and waits for its window.
    void startVelm();

    XSession &x() { return m_x; }
    VelmProcess &velm() { return m_velm; }
    FakeModelServer &model() { return m_model; }
    FakeSearxngServer &searxng() { return m_searxng; }
    QString log() const { return m_velm.log(); }
    // The window titled "velm": the first-run card or the main window.
    QString windowId() const { return m_x.visibleWindows(windowTitle).value(0); }

    // `text` in pieces of `pieceSize`, so that the window really streams.
    static QStringList streamPieces(const QString &text, qsizetype pieceSize = 16);
    // The model server offers one model, streams `answer` in pieces `delayMs` apart and
    // titles chats `title`.
    void serveStreamedAnswer(const QString &answer, const QString &title, qsizetype pieceSize = 16,
                             int delayMs = 15);
    // SearXNG finds `hits`, in this order, for every query.
    void serveHits(const QList<SearchHit> &hits);

    // The bodies of the streamed completion requests (titles are asked for without), in order.
    QList<QJsonObject> answerRequests();
    // The stored chat whose first message is `text`.
    std::optional<ChatSession> storedChat(const QString &text) const;

    // Hands the main window the keyboard: nothing does on a display without a window manager.
    void focusMainWindow();
    // Clicks into the composer, as a user gives it the keyboard, types `question` and sends it.
    void askInComposer(const QString &question);
    // Clicks into the composer's text field, as a user gives it the keyboard.
    void clickComposer();
    // Waits until the chat that `question` started holds `answer`, stored once it ended.
    void waitForAnswer(const QString &question, const QString &answer);
    // Presses the key chord until the Quick Ask bar shows: until the grab is in place a press
    // goes nowhere.
    void openQuickAskByChord();
    // Types `question` into the open bar and waits until the bar shows the answer.
    void askInQuickAsk(const QString &question);
    // With the pointer off the window, so that nothing shows its hover look: the window on its
    // own, or the whole screen.
    void screenshot(const QString &name, bool wholeScreen = false);

    // The first-run flow of a velm that has just started on a fresh home, walked with the
    // keyboard as a user walks it: Return on the welcome, a typed name, a model server address
    // tested and taken, a SearXNG address tested and taken, the theme as offered, and "Start
    // using velm". Every step waits for velm to log the stage it shows, and saves a screenshot
    // of the card as "<prefix><n>-<stage>.png".
    void walkOnboarding(const QString &name, const QString &modelAddress,
                        const QString &searxngAddress, const QString &screenshotPrefix);

private:
    // Replaces the text of the stage's field and waits until velm has stored the draft.
    void typeIntoField(const QString &text, QStringView draftKey);
    // Presses Return and waits for the stage it leads to (empty: for the end of the flow).
    void pressReturnFor(const QString &nextStage);
    // Presses Return to test the address in the field, and waits for the test to pass.
    void testConnection(const QString &logLine);
    QString draft(QStringView key) const;

    XSession m_x;
    FakeModelServer m_model;
    FakeSearxngServer m_searxng;
    VelmProcess m_velm{&m_x};
};

#define E2E_STEP(step)                                                                             \
    do {                                                                                           \
        step;                                                                                      \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (false)
