#include "e2e/onboardingwalk.h"

#include "chat/settingskeys.h"
#include "e2e/velmprocess.h"
#include "e2e/xsession.h"

#include <QSettings>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString windowTitle = u"velm"_s;
const QString stageLine = u"Onboarding shows stage "_s;
constexpr int draftTimeoutMs = 4000;
constexpr int typingAttempts = 3;

// The stages in order, as velm names them in its log.
const QStringList stages = {u"welcome"_s, u"name"_s, u"llm"_s, u"search"_s, u"theme"_s, u"done"_s};

} // namespace

// Leaves the calling step when a check in a helper has failed.
#define RETURN_IF_FAILED()                                                                         \
    do {                                                                                           \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (false)

OnboardingWalk::OnboardingWalk(XSession *session, VelmProcess *velm,
                               const QString &screenshotPrefix)
    : m_session(session)
    , m_velm(velm)
    , m_prefix(screenshotPrefix)
{ }

QString OnboardingWalk::windowId() const
{
    return m_session->visibleWindows(windowTitle).value(0);
}

void OnboardingWalk::focusWindow()
{
    const QString window = windowId();
    QVERIFY2(!window.isEmpty(), qPrintable(m_velm->log()));
    QCOMPARE(m_session->xdotool({u"windowfocus"_s, u"--sync"_s, window}), 0);
    // The pointer off the card, so that no button shows its hover look in a screenshot.
    QCOMPARE(m_session->xdotool({u"mousemove"_s, u"0"_s, u"0"_s}), 0);
}

QString OnboardingWalk::draft(QStringView key) const
{
    // A new reader each time: velm writes the file while we wait.
    const QSettings drafts(m_velm->onboardingDraftsFile(), QSettings::IniFormat);
    return drafts.value(key.toString()).toString();
}

void OnboardingWalk::typeIntoField(const QString &text, QStringView draftKey)
{
    // The field takes the keyboard a moment after its stage shows; on a busy machine that
    // moment can come after the keys, so they are typed again (replacing the text) until the
    // draft holds them.
    bool stored = false;
    for (int attempt = 0; attempt < typingAttempts && !stored; ++attempt) {
        QTest::qWait(300);
        focusWindow();
        RETURN_IF_FAILED();
        QCOMPARE(m_session->xdotool({u"key"_s, u"ctrl+a"_s}), 0);
        QCOMPARE(m_session->xdotool({u"type"_s, u"--delay"_s, u"15"_s, text}), 0);
        stored = QTest::qWaitFor([&] { return draft(draftKey) == text; }, draftTimeoutMs);
    }
    QVERIFY2(stored,
             qPrintable(u"the draft %1 holds \"%2\", not \"%3\"\n%4"_s.arg(
                 draftKey.toString(), draft(draftKey), text, m_velm->log())));
}

void OnboardingWalk::pressReturnFor(const QString &nextStage)
{
    const qsizetype mark = m_velm->logMark();
    QCOMPARE(m_session->xdotool({u"key"_s, u"Return"_s}), 0);
    const QString line = nextStage.isEmpty() ? u"Onboarding finished"_s : stageLine + nextStage;
    QVERIFY2(m_velm->waitForLog(line, mark),
             qPrintable(u"no \"%1\"\n%2"_s.arg(line, m_velm->log())));
}

void OnboardingWalk::testConnection(const QString &logLine)
{
    const qsizetype mark = m_velm->logMark();
    QCOMPARE(m_session->xdotool({u"key"_s, u"Return"_s}), 0);
    // Either ending, so that a failed test fails at once rather than at the time-out.
    QVERIFY2(m_velm->waitForLog(logLine + u": "_s, mark),
             qPrintable(u"no \"%1\"\n%2"_s.arg(logLine, m_velm->log())));
    QVERIFY2(m_velm->log().indexOf(logLine + u": ok"_s, mark) >= 0, qPrintable(m_velm->log()));
    // The badge and the field's green settle.
    QTest::qWait(500);
}

void OnboardingWalk::screenshot(const QString &stage)
{
    focusWindow();
    RETURN_IF_FAILED();
    QTest::qWait(200);
    const QString name = u"%1%2-%3.png"_s.arg(m_prefix).arg(stages.indexOf(stage) + 1).arg(stage);
    const QString path = m_session->saveScreenshot(name, windowId());
    QVERIFY2(!path.isEmpty(), qPrintable(name));
    m_screenshots.append(path);
}

void OnboardingWalk::welcome()
{
    // Shown once velm starts, so anywhere in the log.
    QVERIFY2(m_velm->waitForLog(stageLine + u"welcome"_s), qPrintable(m_velm->log()));
    // The card's entrance.
    QTest::qWait(600);
    screenshot(u"welcome"_s);
    RETURN_IF_FAILED();
    pressReturnFor(u"name"_s);
}

void OnboardingWalk::name(const QString &name)
{
    typeIntoField(name, SettingsKeys::draftName);
    RETURN_IF_FAILED();
    screenshot(u"name"_s);
    RETURN_IF_FAILED();
    pressReturnFor(u"llm"_s);
}

void OnboardingWalk::model(const QString &address)
{
    typeIntoField(address, SettingsKeys::draftLlmAddress);
    RETURN_IF_FAILED();
    testConnection(u"Onboarding test of the model server"_s);
    RETURN_IF_FAILED();
    screenshot(u"llm"_s);
    RETURN_IF_FAILED();
    pressReturnFor(u"search"_s);
}

void OnboardingWalk::search(const QString &address)
{
    typeIntoField(address, SettingsKeys::draftSearxng);
    RETURN_IF_FAILED();
    testConnection(u"Onboarding test of SearXNG"_s);
    RETURN_IF_FAILED();
    screenshot(u"search"_s);
    RETURN_IF_FAILED();
    pressReturnFor(u"theme"_s);
}

void OnboardingWalk::theme()
{
    QTest::qWait(400);
    screenshot(u"theme"_s);
    RETURN_IF_FAILED();
    pressReturnFor(u"done"_s);
}

void OnboardingWalk::done()
{
    // The check's spring, the confetti's burst after 0.25 s and its fall 0.9 s later.
    QTest::qWait(2200);
    screenshot(u"done"_s);
    RETURN_IF_FAILED();
    pressReturnFor(QString());
}

void OnboardingWalk::walk(const QString &name, const QString &modelAddress,
                          const QString &searxngAddress)
{
    welcome();
    RETURN_IF_FAILED();
    this->name(name);
    RETURN_IF_FAILED();
    model(modelAddress);
    RETURN_IF_FAILED();
    search(searxngAddress);
    RETURN_IF_FAILED();
    theme();
    RETURN_IF_FAILED();
    done();
}
