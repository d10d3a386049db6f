#include "support/testregistry.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int launchTimeoutMs = 30000;

// A velm desktop app of the test's own: offscreen, in a throw-away home, with the shell's
// log on so the test can see what a hand-over made it do.
class RunningVelm
{
public:
    explicit RunningVelm(const QProcessEnvironment &environment)
    {
        m_process.setProcessEnvironment(environment);
        QObject::connect(&m_process, &QProcess::readyReadStandardError,
                         [this] { m_log += m_process.readAllStandardError(); });
    }
    ~RunningVelm()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(launchTimeoutMs);
        }
    }

    void start(const QStringList &arguments)
    {
        m_process.start(QStringLiteral(VELM_BINARY), arguments);
    }
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    void terminate() { m_process.terminate(); }
    QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }
    int exitCode() const { return m_process.exitCode(); }
    QString log() const { return QString::fromUtf8(m_log); }
    qsizetype count(const QString &line) const { return log().count(line); }

private:
    QProcess m_process;
    QByteArray m_log;
};

} // namespace

// The real binary: one app per user, later launches hand over to it and end.
class TestShellInstance : public QObject
{
    Q_OBJECT

private:
    QString socketPath() const { return m_runtime->filePath(u"io.github.velm.Velm.socket"_s); }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_CONFIG_HOME"_s, m_home->filePath(u"config"_s));
        env.insert(u"XDG_DATA_HOME"_s, m_home->filePath(u"data"_s));
        env.insert(u"XDG_RUNTIME_DIR"_s, m_runtime->path());
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.insert(u"QT_LOGGING_RULES"_s, u"velm.shell.info=true"_s);
        env.insert(u"VELM_NO_ANIMATIONS"_s, u"1"_s);
        // Nothing the bar does may reach the network.
        env.insert(u"VELM_DUCKDUCKGO_URL"_s, u"http://127.0.0.1:9/"_s);
        return env;
    }

    // Runs a launch that should hand over and end; its exit code, or -1 if it hung.
    int runToEnd(const QStringList &arguments) const
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(QStringLiteral(VELM_BINARY), arguments);
        if (!process.waitForFinished(launchTimeoutMs)) {
            process.kill();
            process.waitForFinished();
            return -1;
        }
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    bool waitUntilListening(const RunningVelm &velm) const
    {
        const auto listening = [&] {
            return !velm.isRunning() || velm.log().contains(u"Listening for later launches"_s);
        };
        return QTest::qWaitFor(listening, launchTimeoutMs) && velm.isRunning();
    }

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QTemporaryDir> m_runtime;

private Q_SLOTS:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        // Short: a socket path may not exceed 107 bytes.
        m_runtime = std::make_unique<QTemporaryDir>(QDir::tempPath() + u"/velm-rt-XXXXXX"_s);
        QVERIFY(m_home->isValid() && m_runtime->isValid());
    }

    void secondLaunchHandsOver()
    {
        RunningVelm first(environment());
        first.start({});
        QVERIFY2(waitUntilListening(first), qPrintable(first.log()));
        QTRY_VERIFY_WITH_TIMEOUT(first.log().contains(u"Started with the main window"_s),
                                 launchTimeoutMs);

        QCOMPARE(runToEnd({}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(first.count(u"Another launch asked for \"show\""_s) == 1,
                                 launchTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(first.count(u"Presented the main window"_s) == 1, launchTimeoutMs);

        QCOMPARE(runToEnd({u"quick-ask"_s}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(first.count(u"Opened the Quick Ask bar"_s) == 1, launchTimeoutMs);

        // An autostart while velm runs brings nothing up.
        QCOMPARE(runToEnd({u"--hidden"_s}), 0);
        QTest::qWait(200);
        QCOMPARE(first.count(u"Presented the main window"_s), 1);
        QVERIFY(first.isRunning());
    }

    void quickAskStartsTheApp()
    {
        RunningVelm velm(environment());
        velm.start({u"quick-ask"_s});
        QTRY_VERIFY_WITH_TIMEOUT(
            velm.count(u"Opened the Quick Ask bar"_s) == 1 || !velm.isRunning(), launchTimeoutMs);
        QVERIFY2(velm.isRunning(), qPrintable(velm.log()));
        QVERIFY(QFileInfo::exists(socketPath()));
        QVERIFY(velm.log().contains(u"Started without the main window"_s));
        QCOMPARE(runToEnd({}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(velm.count(u"Presented the main window"_s) == 1, launchTimeoutMs);
    }

    void terminationSignalQuitsCleanly()
    {
        // How a desktop session ends its programs.
        RunningVelm velm(environment());
        velm.start({});
        QTRY_VERIFY_WITH_TIMEOUT(velm.log().contains(u"Started with the main window"_s),
                                 launchTimeoutMs);
        QVERIFY(QFileInfo::exists(socketPath()));
        velm.terminate();
        QTRY_VERIFY_WITH_TIMEOUT(!velm.isRunning(), launchTimeoutMs);
        QCOMPARE(velm.exitStatus(), QProcess::NormalExit);
        QCOMPARE(velm.exitCode(), 0);
        QVERIFY(velm.log().contains(u"Quitting"_s));
        // Nothing left behind for the next launch to clear up.
        QVERIFY(!QFileInfo::exists(socketPath()));
    }
};

VELM_TEST_MAIN(TestShellInstance)
#include "tst_shellinstance.moc"
