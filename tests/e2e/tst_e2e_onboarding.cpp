#include "chat/settingskeys.h"
#include "e2e/onboardingwalk.h"
#include "e2e/velmprocess.h"
#include "e2e/xsession.h"
#include "support/fakemodelserver.h"
#include "support/fakesearxngserver.h"
#include "support/testregistry.h"

#include <QRegularExpression>
#include <QSettings>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString windowTitle = u"velm"_s;
const QString userName = u"Grace Hopper"_s;

} // namespace

// The real velm started on an empty home: it opens in the first-run flow, which is walked
// with the keyboard against the fake model server and the fake SearXNG instance, stage by
// stage with a screenshot of each; afterwards the window is the normal main window and the
// preferences hold what was typed.
class TestE2EOnboarding : public QObject
{
    Q_OBJECT

private:
    QString log() const { return m_velm.log(); }
    QString windowId() const { return m_x.visibleWindows(windowTitle).value(0); }

    // Typed without a scheme: what is stored must be the text as typed, not the address
    // the client makes of it.
    QString modelAddress() { return u"127.0.0.1:%1"_s.arg(m_model.http().port()); }
    QString searxngAddress() const { return u"http://127.0.0.1:%1/"_s.arg(m_searxng.port()); }

    XSession m_x;
    FakeModelServer m_model;
    FakeSearxngServer m_searxng;
    VelmProcess m_velm{&m_x};
    OnboardingWalk m_walk{&m_x, &m_velm, u"onboarding-"_s};

private Q_SLOTS:
    void initTestCase()
    {
        const QStringList missing = XSession::missingTools();
        if (!missing.isEmpty())
            QSKIP(qPrintable(u"not installed: "_s + missing.join(u", "_s)));
        QVERIFY(m_velm.isValid());
        QVERIFY(m_x.start());
        QVERIFY(m_model.listen());
        m_model.setModels({u"e2e-model"_s});
        QVERIFY(m_searxng.listen());
        m_searxng.serveResults(FakeSearxngServer::numberedResults(3));

        // Nothing is written beforehand: a first start.
        QVERIFY2(m_velm.start(), qPrintable(log()));
        QVERIFY2(m_x.waitForWindow(windowTitle), qPrintable(log()));
    }

    void cleanupTestCase() { m_velm.stop(); }

    void startsInOnboarding()
    {
        QVERIFY2(m_velm.waitForLog(u"Onboarding shows stage welcome"_s), qPrintable(log()));
        const QString window = windowId();
        QVERIFY(!window.isEmpty());
        // The borderless card, not the main window's frame.
        QCOMPARE(m_x.isDecorated(window), std::optional<bool>(false));
        QCOMPARE(m_x.windowGeometry(window).size(), QSize(440, 460));
    }

    void welcome() { m_walk.welcome(); }
    void name() { m_walk.name(userName); }

    void model()
    {
        m_walk.model(modelAddress());
        QVERIFY(m_model.http().requestCount(u"/v1/models"_s) >= 1);
    }

    void search()
    {
        m_walk.search(searxngAddress());
        QCOMPARE(m_searxng.requestCount(u"/search"_s), 1);
        const QUrlQuery query = m_searxng.requests().constLast().query();
        QCOMPARE(query.queryItemValue(u"q"_s), u"test"_s);
        QCOMPARE(query.queryItemValue(u"format"_s), u"json"_s);
        QCOMPARE(query.queryItemValue(u"categories"_s), u"general"_s);
    }

    void theme() { m_walk.theme(); }
    void done() { m_walk.done(); }

    void stagesWereShownOnceEachInOrder()
    {
        const QRegularExpression line(u"Onboarding shows stage (\\w+)"_s);
        QStringList shown;
        for (const QRegularExpressionMatch &match : line.globalMatch(log()))
            shown.append(match.captured(1));
        QCOMPARE(
            shown,
            QStringList({u"welcome"_s, u"name"_s, u"llm"_s, u"search"_s, u"theme"_s, u"done"_s}));
        QCOMPARE(m_walk.screenshots().size(), 6);
    }

    void becomesTheMainWindow()
    {
        QVERIFY2(m_x.waitForWindow(windowTitle), qPrintable(log()));
        // Framed again, at the main window's size, in the middle of the 1600×1000 screen.
        const auto isMainWindow = [&] {
            return m_x.isDecorated(windowId()) == std::optional<bool>(true)
                && m_x.windowGeometry(windowId()).size() == QSize(1100, 760);
        };
        QVERIFY2(QTest::qWaitFor(isMainWindow, 10000), qPrintable(log()));
        const QRect frame = m_x.windowGeometry(windowId());
        QVERIFY2((frame.center() - QPoint(800, 500)).manhattanLength() <= 4,
                 qPrintable(u"at %1,%2"_s.arg(frame.x()).arg(frame.y())));
        QVERIFY(m_velm.isRunning());
        // The new-chat screen's entrance.
        QTest::qWait(1200);
        QCOMPARE(m_x.xdotool({u"mousemove"_s, u"0"_s, u"0"_s}), 0);
        QVERIFY(!m_x.saveScreenshot(u"onboarding-7-newchat.png"_s, windowId()).isEmpty());
    }

    void preferencesHoldWhatWasTyped()
    {
        const QSettings stored(m_velm.settingsFile(), QSettings::IniFormat);
        QCOMPARE(stored.value(SettingsKeys::hasCompletedOnboarding.toString()).toBool(), true);
        QCOMPARE(stored.value(SettingsKeys::userName.toString()).toString(), userName);
        QCOMPARE(stored.value(SettingsKeys::lmStudioServerAddress.toString()).toString(),
                 modelAddress());
        QCOMPARE(stored.value(SettingsKeys::searxngHost.toString()).toString(), u"127.0.0.1"_s);
        QCOMPARE(stored.value(SettingsKeys::searxngPort.toString()).toString(),
                 QString::number(m_searxng.port()));
        QCOMPARE(stored.value(SettingsKeys::searxngUseHTTPS.toString()).toBool(), false);
        QCOMPARE(stored.value(SettingsKeys::webSearchMode.toString()).toString(), u"auto"_s);
    }

    void draftsAreBackAtTheirStart()
    {
        // So that a later reset of the app data starts the flow afresh.
        const QSettings drafts(m_velm.onboardingDraftsFile(), QSettings::IniFormat);
        for (const SettingsKeys::KeySpec &key : SettingsKeys::onboardingDrafts) {
            const QString name = key.name.toString();
            QCOMPARE(drafts.value(name, key.defaultValue.toString()).toString(),
                     key.defaultValue.toString());
        }
    }
};

VELM_TEST_MAIN(TestE2EOnboarding)
#include "tst_e2e_onboarding.moc"
