#pragma once

#include "chat/chatsession.h"

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class XSession;

// How one short run of the velm binary ended (a command, or a launch that hands over to the
// running app); exitCode -1 when it crashed or did not end in time.
struct VelmCommandRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// The real velm on the display of an XSession, for a user of its own: settings, chats,
// onboarding drafts and the single-instance socket live in a temporary directory, instant
// answers and favicons point at a closed port, and the shell's, the chord's and the onboarding's
// log lines are captured from its standard error. A velm still running when this goes is ended.
class VelmProcess : public QObject
{
    Q_OBJECT

public:
    static constexpr int defaultTimeoutMs = 30000;

    explicit VelmProcess(const XSession *session, QObject *parent = nullptr);
    ~VelmProcess() override;

    bool isValid() const { return m_home.isValid(); }
    // The preferences file and the data directory velm uses, for a Settings object of the
    // test's own (written before the start, read after).
    QString settingsFile() const;
    QString dataDirectory() const;
    QString onboardingDraftsFile() const;
    // The conversations as velm last saved them; none while it has saved nothing.
    QList<ChatSession> storedSessions() const;
    // A path inside the temporary home.
    QString homePath(const QString &relative) const;

    // Another build of velm to start in place of this one's, for a benchmark's comparison.
    void setBinary(const QString &path) { m_binary = path; }

    // Added to (or replacing one of) the variables every run gets.
    void setEnvironmentVariable(const QString &name, const QString &value);
    QProcessEnvironment environment() const;

    // Starts the app and waits until it listens for later launches: from then on a second
    // launch hands over and the chord's registration is under way.
    bool start(const QStringList &arguments = {});
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    QProcess &process() { return m_process; }

    // Everything velm wrote to its standard error so far.
    QString log() const { return QString::fromUtf8(m_log); }
    // A mark to wait for lines that come after it, for lines that appear more than once.
    qsizetype logMark() const { return m_log.size(); }
    // Whether `line` appears after `mark`, waiting for it while velm runs.
    bool waitForLog(const QString &line, qsizetype mark = 0, int timeoutMs = defaultTimeoutMs);

    // Runs the binary once more with the same environment, to its end, while this event loop
    // keeps serving the fake servers.
    VelmCommandRun run(const QStringList &arguments, int timeoutMs = defaultTimeoutMs) const;

    // Waits for velm to end on its own; true when it ended with exit code 0.
    bool waitForExit(int timeoutMs = defaultTimeoutMs);
    // Ends velm as the session's end does (SIGTERM), killing it when it does not go in time.
    void stop();

private:
    const XSession *m_session;
    QTemporaryDir m_home;
    QString m_binary;
    QProcessEnvironment m_extra;
    QProcess m_process;
    QByteArray m_log;
};
