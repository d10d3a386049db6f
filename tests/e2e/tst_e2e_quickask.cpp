#include "core/settings.h"
#include "e2e/xsession.h"
#include "support/fakemodelserver.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int waitMs = 30000;
const QString barTitle = u"velm Quick Ask"_s;

} // namespace

// The real velm on a virtual X display: the chord opens the bar, a typed question is
// answered by the fake model server, Escape closes the bar. A screenshot of the answered
// bar is saved under the build tree.
class TestE2EQuickAsk : public QObject
{
    Q_OBJECT

private:
    QString log() const { return QString::fromUtf8(m_log); }

    bool waitForLog(const QString &line)
    {
        return QTest::qWaitFor(
                   [&] { return log().contains(line) || m_velm.state() == QProcess::NotRunning; },
                   waitMs)
            && log().contains(line);
    }

    bool waitForBar(bool visible)
    {
        return QTest::qWaitFor([&] { return m_x.hasVisibleWindow(barTitle) == visible; }, waitMs);
    }

    XSession m_x;
    QTemporaryDir m_home;
    FakeModelServer m_server;
    QProcess m_velm;
    QByteArray m_log;

private Q_SLOTS:
    void initTestCase()
    {
        const QStringList missing = XSession::missingTools();
        if (!missing.isEmpty())
            QSKIP(qPrintable(u"not installed: "_s + missing.join(u", "_s)));
        QVERIFY(m_home.isValid());
        QVERIFY(m_x.start());
        QVERIFY(m_server.listen());
        m_server.setModels({u"e2e-model"_s});
        m_server.setStream({u"Six times seven is "_s, u"**42**."_s});

        const QString configHome = m_home.filePath(u"config"_s);
        const QString dataHome = m_home.filePath(u"data"_s);
        {
            Settings settings(configHome + u"/velm/velm.conf"_s, dataHome + u"/velm"_s);
            settings.setLmStudioServerAddress(m_server.address());
            settings.setHasCompletedOnboarding(true);
            settings.setWebSearchMode(u"never"_s);
        }
        QDir().mkpath(m_home.filePath(u"runtime"_s));
        QFile::setPermissions(m_home.filePath(u"runtime"_s),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QProcessEnvironment environment = m_x.environment();
        environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        environment.insert(u"XDG_CONFIG_HOME"_s, configHome);
        environment.insert(u"XDG_DATA_HOME"_s, dataHome);
        environment.insert(u"XDG_RUNTIME_DIR"_s, m_home.filePath(u"runtime"_s));
        environment.insert(u"QT_LOGGING_RULES"_s, u"velm.shell=true\nvelm.chord.info=true"_s);
        environment.insert(u"VELM_DUCKDUCKGO_URL"_s, u"http://127.0.0.1:9/"_s);
        environment.insert(u"QTWEBENGINE_DISABLE_SANDBOX"_s, u"1"_s);
        m_velm.setProcessEnvironment(environment);
        connect(&m_velm, &QProcess::readyReadStandardError, this,
                [this] { m_log += m_velm.readAllStandardError(); });
        m_velm.start(QStringLiteral(VELM_BINARY), {});
        QVERIFY2(waitForLog(u"Listening for later launches"_s), qPrintable(log()));
        QVERIFY2(QTest::qWaitFor([&] { return m_x.hasVisibleWindow(u"velm"_s); }, waitMs),
                 qPrintable(log()));
    }

    void cleanupTestCase()
    {
        if (m_velm.state() != QProcess::NotRunning) {
            m_velm.kill();
            m_velm.waitForFinished();
        }
    }

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
        QVERIFY2(waitForLog(u"Opened the Quick Ask bar"_s), qPrintable(log()));
    }

    void typedQuestionIsAnswered()
    {
        const QString question = u"What is six times seven?"_s;
        // Keys pressed before the bar has the X input focus go to whatever had it.
        QVERIFY(QTest::qWaitFor([&] { return m_x.hasFocusedWindow(barTitle); }, 5000));
        QCOMPARE(m_x.xdotool({u"type"_s, u"--delay"_s, u"20"_s, question}), 0);
        QCOMPARE(m_x.xdotool({u"key"_s, u"Return"_s}), 0);
        QVERIFY2(waitForLog(u"The Quick Ask bar shows an answer"_s), qPrintable(log()));

        const QJsonArray messages = m_server.lastChatRequest().value(u"messages"_s).toArray();
        QVERIFY(!messages.isEmpty());
        const QJsonObject last = messages.last().toObject();
        QCOMPARE(last.value(u"role"_s).toString(), u"user"_s);
        QCOMPARE(last.value(u"content"_s).toString(), question);

        // Let the answer's entrance finish before taking the picture.
        QTest::qWait(1500);
        QDir().mkpath(QStringLiteral(VELM_SCREENSHOT_DIR));
        const QString path = QStringLiteral(VELM_SCREENSHOT_DIR "/quickask-answered.png");
        QVERIFY(m_x.screenshot(path));
        const QImage shot(path);
        QCOMPARE(shot.size(), QSize(1600, 1000));
        qInfo("Screenshot: %s", qPrintable(path));
    }

    void escapeClosesTheBar()
    {
        QCOMPARE(m_x.xdotool({u"key"_s, u"Escape"_s}), 0);
        QVERIFY2(waitForBar(false), qPrintable(log()));
        QCOMPARE(m_velm.state(), QProcess::Running); // closing the bar is not quitting
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
        QVERIFY2(m_velm.waitForFinished(waitMs), qPrintable(log()));
        QCOMPARE(m_velm.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_velm.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestE2EQuickAsk)
#include "tst_e2e_quickask.moc"
