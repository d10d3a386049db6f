#include "chat/settings.h"
#include "e2e/e2efixture.h"
#include "support/storedchats.h"
#include "support/testregistry.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The real velm with the keyboard alone, in the dark theme and then the light one: the
// composer's ring at launch, a chat opened from the sidebar's list, Shift+Tab back to the
// Copy under one's own question, the settings window's Appearance tab with the chosen card
// ringed, and the theme changed there with Space. Screenshots of each focus ring are saved
// under the build tree.
class TestE2EKeyboard : public QObject
{
    Q_OBJECT

private:
    static inline const QString settingsTitle = u"velm Settings"_s;

    int key(const QString &keys)
    {
        const int code
            = m_e2e.x().xdotool(QStringList{u"key"_s, u"--delay"_s, u"80"_s} + keys.split(u' '));
        QTest::qWait(250);
        return code;
    }

    void screenshotOf(const QString &title, const QString &name)
    {
        QCOMPARE(m_e2e.x().xdotool({u"mousemove"_s, u"0"_s, u"0"_s}), 0);
        QTest::qWait(300);
        const QString window = m_e2e.x().visibleWindows(title).value(0);
        QVERIFY2(!window.isEmpty(), qPrintable(title));
        QVERIFY2(!m_e2e.x().saveScreenshot(name, window).isEmpty(), qPrintable(name));
    }

    // From the composer, Shift+Tab past Regenerate and the answer's Copy to the question's.
    void ringsInTheMainWindow(const QString &theme)
    {
        E2E_STEP(m_e2e.focusMainWindow());
        m_e2e.screenshot(u"keyboard-%1-1-composer.png"_s.arg(theme));
        QCOMPARE(key(u"shift+Tab shift+Tab shift+Tab"_s), 0);
        m_e2e.screenshot(u"keyboard-%1-2-copy.png"_s.arg(theme));
        QCOMPARE(key(u"Tab Tab Tab"_s), 0);
    }

    E2EFixture m_e2e;

private Q_SLOTS:
    void initTestCase()
    {
        if (!m_e2e.setUp())
            return;
        m_e2e.model().setModels({u"e2e-model"_s});
        m_e2e.finishOnboarding(u"never"_s);
        Settings settings(m_e2e.velm().settingsFile(), m_e2e.velm().dataDirectory());
        settings.setAppTheme(u"dark"_s);
        ChatSession chat = ChatSession::create(QDateTime::currentDateTime().addSecs(-600));
        chat.messages
            = {ChatMessage(ChatMessage::Role::User, u"Which planet has the most moons?"_s),
               ChatMessage(ChatMessage::Role::Assistant,
                           u"**Saturn**, with well over a hundred known moons."_s)};
        QVERIFY(StoredChats::write(settings, {chat}));
        m_e2e.startVelm();
    }

    void walkWithTheKeyboard()
    {
        // The new-chat screen after its entrance; the composer has the keyboard.
        QTest::qWait(1200);
        E2E_STEP(m_e2e.focusMainWindow());
        // Shift+Tab past the starters to the sidebar's button, Space opens the sidebar; F6 to
        // its list, Return opens the chat, and the composer has the keyboard again.
        QCOMPARE(key(u"shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab space"_s), 0);
        QCOMPARE(key(u"F6 Return"_s), 0);
        E2E_STEP(ringsInTheMainWindow(u"dark"_s));

        // Settings from the keyboard, its Appearance tab, the chosen card.
        QCOMPARE(key(u"ctrl+comma"_s), 0);
        QVERIFY2(m_e2e.x().waitForWindow(settingsTitle), qPrintable(log()));
        QTest::qWait(600);
        QCOMPARE(key(u"Right Tab"_s), 0);
        E2E_STEP(screenshotOf(settingsTitle, u"keyboard-dark-3-theme-card.png"_s));
        // Tab to the light card, Space chooses it.
        QCOMPARE(key(u"Tab space"_s), 0);
        QTest::qWait(600);
        E2E_STEP(screenshotOf(settingsTitle, u"keyboard-light-3-theme-card.png"_s));
        QCOMPARE(key(u"Escape"_s), 0);
        QVERIFY2(m_e2e.x().waitForWindow(settingsTitle, false), qPrintable(log()));

        E2E_STEP(ringsInTheMainWindow(u"light"_s));
        Settings settings(m_e2e.velm().settingsFile(), m_e2e.velm().dataDirectory());
        QCOMPARE(settings.appTheme(), u"light"_s);
        QVERIFY2(m_e2e.velm().isRunning(), qPrintable(log()));
    }

private:
    QString log() const { return m_e2e.log(); }
};

VELM_TEST_MAIN(TestE2EKeyboard)
#include "tst_e2e_keyboard.moc"
