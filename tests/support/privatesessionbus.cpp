#include "support/privatesessionbus.h"

#include <QFile>
#include <QStandardPaths>

#include <csignal>

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

using namespace Qt::StringLiterals;

PrivateSessionBus::~PrivateSessionBus()
{
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }
}

bool PrivateSessionBus::start()
{
    const QString daemon = QStandardPaths::findExecutable(u"dbus-daemon"_s);
    if (daemon.isEmpty() || !m_dir.isValid())
        return false;
    QFile config(m_dir.filePath(u"bus.conf"_s));
    if (!config.open(QIODevice::WriteOnly))
        return false;
    // Eavesdropping lets a test watch the signals others send.
    config.write("<busconfig><type>session</type><listen>unix:dir=" + m_dir.path().toUtf8()
                 + "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                   "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                   "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy></busconfig>");
    config.close();
#ifdef Q_OS_LINUX
    // A test that crashes must not leave its bus running.
    m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
#endif
    m_daemon.start(
        daemon, {u"--config-file="_s + config.fileName(), u"--nofork"_s, u"--print-address=1"_s});
    if (!m_daemon.waitForStarted(5000))
        return false;
    while (!m_daemon.canReadLine()) {
        if (!m_daemon.waitForReadyRead(10000))
            return false;
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    return !m_address.isEmpty();
}
