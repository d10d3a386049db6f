#include "cli/velmhome.h"
#include "support/loopback.h"

#include <QProcess>
#include <QSignalSpy>

using namespace Qt::StringLiterals;

VelmHome::VelmHome()
    : m_environment(QProcessEnvironment::systemEnvironment())
{
    m_environment.insert(u"XDG_CONFIG_HOME"_s, m_dir.filePath(u"config"_s));
    m_environment.insert(u"XDG_DATA_HOME"_s, m_dir.filePath(u"data"_s));
    m_environment.insert(u"VELM_DUCKDUCKGO_URL"_s, Loopback::closedAddress() + u'/');
}

QString VelmHome::settingsFile() const
{
    return m_dir.filePath(u"config/velm/velm.conf"_s);
}

QString VelmHome::dataDirectory() const
{
    return m_dir.filePath(u"data/velm"_s);
}

std::unique_ptr<Settings> VelmHome::settings() const
{
    return std::make_unique<Settings>(settingsFile(), dataDirectory());
}

void VelmHome::setEnvironment(const QString &name, const QString &value)
{
    m_environment.insert(name, value);
}

void VelmHome::start(QProcess &process, const QStringList &arguments) const
{
    process.setProcessEnvironment(m_environment);
    if (m_launcher.isEmpty()) {
        process.start(QStringLiteral(VELM_BINARY), arguments);
        return;
    }
    process.start(m_launcher.constFirst(),
                  m_launcher.mid(1) + QStringList{QStringLiteral(VELM_BINARY)} + arguments);
}

VelmRun VelmHome::run(const QStringList &arguments, const QByteArray &input) const
{
    QProcess process;
    QSignalSpy finished(&process, &QProcess::finished);
    start(process, arguments);
    process.write(input);
    process.closeWriteChannel();
    VelmRun run;
    if (!finished.wait(30000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}
