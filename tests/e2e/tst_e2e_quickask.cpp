#include "chat/settings.h"
#include "e2e/velmprocess.h"
#include "e2e/xsession.h"
#include "support/fakemodelserver.h"
#include "support/testregistry.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString barTitle = u"velm Quick Ask"_s;

} // namespace

// The real velm on a virtual X display: the chord opens the bar, a typed question is
// answered by the fake model server, Escape closes the bar. A screenshot of the answered
// bar is saved under the build tree.
class TestE2EQuickAsk : public QObject
{
    Q_OBJECT

private:
    QString log() const { return m_velm.log(); }

    XSession m_x;
    FakeModelServer m_server;
    VelmProcess m_velm{&m_x};

private Q_SLOTS:
    void initTestCase()
    {
        const QStringList missing = XSession::missingTools();
        if (!missing.isEmpty())
            QSKIP(qPrintable(u"not installed: "_s + missing.join(u", "_s)));
        QVERIFY(m_velm.isValid());
        QVERIFY(m_x.start());
        QVERIFY(m_server.listen());
        m_server.setModels({u"e2e-model"_s});
        m_server.setStream({u"Six times seven is "_s, u"**42**."_s});
        {
            Settings settings(m_velm.settingsFile(), m_velm.dataDirectory());
            settings.setLmStudioServerAddress(m_server.address());
            settings.setHasCompletedOnboarding(true);
            settings.setWebSearchMode(u"never"_s);
        }
        QVERIFY2(m_velm.start(), qPrintable(log()));
        QVERIFY2(m_x.waitForWindow(u"velm"_s), qPrintable(log()));
    }

    void cleanupTestCase() { m_velm.stop(); }

    void chordOpensTheBar()
    {
        QVERIFY(!m_x.hasVisibleWindow(barTitle));
        // Until the grab is in place a press goes nowhere, so press again now and then.
        bool opened = false;
        for (int attempt = 0; attempt < 15 && !opened; ++attempt) {
            m_x.xdotool({u"key"_s, u"super+shift+k"_s});
            opened = QTest::qWaitFor([&] { return m_x.hasVisibleWindow(barTitle); }, 2000);
        }
        QVERIFY2(opened, qPrintable(log()));
        QVERIFY2(m_velm.waitForLog(u"Opened the Quick Ask bar"_s), qPrintable(log()));
    }

    void typedQuestionIsAnswered()
    {
        const QString question = u"What is six times seven?"_s;
        // Keys pressed before the bar has the X input focus go to whatever had it.
        QVERIFY(QTest::qWaitFor([&] { return m_x.hasFocusedWindow(barTitle); }, 5000));
        QCOMPARE(m_x.xdotool({u"type"_s, u"--delay"_s, u"20"_s, question}), 0);
        QCOMPARE(m_x.xdotool({u"key"_s, u"Return"_s}), 0);
        QVERIFY2(m_velm.waitForLog(u"The Quick Ask bar shows an answer"_s), qPrintable(log()));

        const QJsonArray messages = m_server.lastChatRequest().value(u"messages"_s).toArray();
        QVERIFY(!messages.isEmpty());
        const QJsonObject last = messages.last().toObject();
        QCOMPARE(last.value(u"role"_s).toString(), u"user"_s);
        QCOMPARE(last.value(u"content"_s).toString(), question);

        // Let the answer's entrance finish before taking the picture.
        QTest::qWait(1500);
        const QString path = m_x.saveScreenshot(u"quickask-answered.png"_s);
        QVERIFY(!path.isEmpty());
        QCOMPARE(QImage(path).size(), QSize(1600, 1000));
    }

    void escapeClosesTheBar()
    {
        QCOMPARE(m_x.xdotool({u"key"_s, u"Escape"_s}), 0);
        QVERIFY2(m_x.waitForWindow(barTitle, false), qPrintable(log()));
        QVERIFY(m_velm.isRunning()); // closing the bar is not quitting
    }

    void withoutTrayCloseToMenuBarQuits()
    {
        // Xvfb has no tray: hiding would leave no way back, so Ctrl+Q ends velm.
        QString found;
        QCOMPARE(m_x.xdotool({u"search"_s, u"--onlyvisible"_s, u"--name"_s, u"^velm$"_s}, &found),
                 0);
        const QString window = found.split(u'\n', Qt::SkipEmptyParts).value(0);
        QVERIFY(!window.isEmpty());
        QCOMPARE(m_x.xdotool({u"windowfocus"_s, window}), 0);
        QCOMPARE(m_x.xdotool({u"key"_s, u"ctrl+q"_s}), 0);
        QVERIFY2(m_velm.waitForExit(), qPrintable(log()));
    }
};

VELM_TEST_MAIN(TestE2EQuickAsk)
#include "tst_e2e_quickask.moc"
