#pragma once

#include <QString>
#include <QStringList>

class VelmProcess;
class XSession;

// The first-run flow of a velm that has just started on a fresh home, walked with the
// keyboard as a user walks it: Return on the welcome, a typed name, a model server address
// tested and taken, a SearXNG address tested and taken, the theme as offered, and "Start
// using velm". Every step waits for velm to log the stage it shows, and saves a screenshot
// of the card as "<prefix><n>-<stage>.png".
//
// The steps report failures through QtTest in the running test function and return early;
// callers check QTest::currentTestFailed() before going on.
class OnboardingWalk
{
public:
    OnboardingWalk(XSession *session, VelmProcess *velm, const QString &screenshotPrefix);

    void welcome();
    void name(const QString &name);
    void model(const QString &address);
    void search(const QString &address);
    void theme();
    void done();
    // All six in order.
    void walk(const QString &name, const QString &modelAddress, const QString &searxngAddress);

    // The screenshots saved so far.
    QStringList screenshots() const { return m_screenshots; }

private:
    QString windowId() const;
    // Hands the window the keyboard: nothing does on a display without a window manager.
    void focusWindow();
    // Replaces the text of the stage's field and waits until velm has stored the draft.
    void typeIntoField(const QString &text, QStringView draftKey);
    // Presses Return and waits for the stage it leads to (empty: for the end of the flow).
    void pressReturnFor(const QString &nextStage);
    // Presses Return to test the address in the field, and waits for the test to pass.
    void testConnection(const QString &logLine);
    void screenshot(const QString &stage);
    QString draft(QStringView key) const;

    XSession *m_session;
    VelmProcess *m_velm;
    QString m_prefix;
    QStringList m_screenshots;
};
