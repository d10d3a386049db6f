#include "e2e/velmprocess.h"

#include "chat/chatstore.h"
#include "chat/settings.h"

#include "e2e/xsession.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

VelmProcess::VelmProcess(const XSession *session, QObject *parent)
    : QObject(parent)
    , m_session(session)
{
    connect(&m_process, &QProcess::readyReadStandardError, this,
            [this] { m_log += m_process.readAllStandardError(); });
    if (m_home.isValid()) {
        // The single-instance socket's directory must be the user's alone, as the real
        // runtime directory is.
        const QString runtime = homePath(u"runtime"_s);
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

VelmProcess::~VelmProcess()
{
    stop();
}

QString VelmProcess::settingsFile() const
{
    return homePath(u"config/velm/velm.conf"_s);
}

QList<ChatSession> VelmProcess::storedSessions() const
{
    Settings settings(settingsFile(), dataDirectory());
    return ChatStore(settings).load().value_or(QList<ChatSession>());
}

QString VelmProcess::dataDirectory() const
{
    return homePath(u"data/velm"_s);
}

QString VelmProcess::onboardingDraftsFile() const
{
    return homePath(u"state/velm/onboarding.ini"_s);
}

QString VelmProcess::homePath(const QString &relative) const
{
    return m_home.filePath(relative);
}

void VelmProcess::setEnvironmentVariable(const QString &name, const QString &value)
{
    m_extra.insert(name, value);
}

QProcessEnvironment VelmProcess::environment() const
{
    QProcessEnvironment environment = m_session->environment();
    environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    // Nothing of the machine's own user is read or written.
    environment.insert(u"XDG_CONFIG_HOME"_s, homePath(u"config"_s));
    environment.insert(u"XDG_DATA_HOME"_s, homePath(u"data"_s));
    environment.insert(u"XDG_STATE_HOME"_s, homePath(u"state"_s));
    environment.insert(u"XDG_RUNTIME_DIR"_s, homePath(u"runtime"_s));
    environment.insert(
        u"QT_LOGGING_RULES"_s,
        u"velm.shell.info=true;velm.quickask.info=true;velm.chord.info=true;velm.onboarding.info=true"_s);
    // A closed port: no run ever reaches the real instant-answer or favicon services.
    environment.insert(u"VELM_DUCKDUCKGO_URL"_s, u"http://127.0.0.1:9/"_s);
    environment.insert(u"VELM_FAVICON_URL"_s, u"http://127.0.0.1:9/"_s);
    environment.insert(m_extra);
    return environment;
}

bool VelmProcess::start(const QStringList &arguments)
{
    m_log.clear();
    m_process.setProcessEnvironment(environment());
    m_process.start(m_binary.isEmpty() ? QStringLiteral(VELM_BINARY) : m_binary, arguments);
    return m_process.waitForStarted(defaultTimeoutMs)
        && waitForLog(u"Listening for later launches"_s);
}

bool VelmProcess::waitForLog(const QString &line, qsizetype mark, int timeoutMs)
{
    const QByteArray wanted = line.toUtf8();
    const auto found = [&] { return m_log.indexOf(wanted, mark) >= 0; };
    // Whichever came first, the answer is read below.
    static_cast<void>(QTest::qWaitFor([&] { return found() || !isRunning(); }, timeoutMs));
    // The last lines of a velm that has just ended may still be in the pipe.
    m_log += m_process.readAllStandardError();
    return found();
}

VelmCommandRun VelmProcess::run(const QStringList &arguments, int timeoutMs) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(QStringLiteral(VELM_BINARY), arguments);
    VelmCommandRun result;
    // Read as it comes, so that a long output never fills the pipe and stalls the child.
    const auto drain = [&] {
        result.out += process.readAllStandardOutput();
        result.err += process.readAllStandardError();
    };
    const bool ended = QTest::qWaitFor(
        [&] {
            drain();
            return process.state() == QProcess::NotRunning;
        },
        timeoutMs);
    if (!ended) {
        process.kill();
        process.waitForFinished();
    }
    drain();
    if (ended && process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    return result;
}

bool VelmProcess::waitForExit(int timeoutMs)
{
    static_cast<void>(QTest::qWaitFor([&] { return !isRunning(); }, timeoutMs));
    m_log += m_process.readAllStandardError();
    return !isRunning() && m_process.exitStatus() == QProcess::NormalExit
        && m_process.exitCode() == 0;
}

void VelmProcess::stop()
{
    if (!isRunning())
        return;
    // SIGTERM ends velm as its Quit command does.
    m_process.terminate();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished();
    }
    m_log += m_process.readAllStandardError();
}
