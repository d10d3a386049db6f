#include "e2e/xsession.h"

#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int toolTimeoutMs = 15000;

} // namespace

XSession::XSession() = default;

XSession::~XSession()
{
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(5000)) {
            m_server.kill();
            m_server.waitForFinished();
        }
    }
}

QStringList XSession::missingTools()
{
    QStringList missing;
    for (const QString &tool : {u"Xvfb"_s, u"xdotool"_s}) {
        if (QStandardPaths::findExecutable(tool).isEmpty())
            missing.append(tool);
    }
    return missing;
}

bool XSession::start(QSize screenSize)
{
    const QString size = u"%1x%2x24"_s.arg(screenSize.width()).arg(screenSize.height());
    for (int number = 90; number < 200; ++number) {
        const QString socket = u"/tmp/.X11-unix/X%1"_s.arg(number);
        if (QFileInfo::exists(socket) || QFileInfo::exists(u"/tmp/.X%1-lock"_s.arg(number)))
            continue;
        const QString display = u":%1"_s.arg(number);
        m_server.start(u"Xvfb"_s, {display, u"-screen"_s, u"0"_s, size, u"-nolisten"_s, u"tcp"_s});
        // Up once its socket exists; gone at once when another server took the number
        // between the check and now.
        const bool up = QTest::qWaitFor(
            [&] { return m_server.state() == QProcess::NotRunning || QFileInfo::exists(socket); },
            toolTimeoutMs);
        if (up && m_server.state() != QProcess::NotRunning) {
            m_display = display;
            return true;
        }
        m_server.kill();
        m_server.waitForFinished();
    }
    return false;
}

QProcessEnvironment XSession::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"DISPLAY"_s, m_display);
    environment.remove(u"WAYLAND_DISPLAY"_s);
    return environment;
}

int XSession::xdotool(const QStringList &arguments, QString *output) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(u"xdotool"_s, arguments);
    if (!process.waitForFinished(toolTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    if (output)
        *output = QString::fromLocal8Bit(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

bool XSession::hasVisibleWindow(const QString &title) const
{
    return !visibleWindows(title).isEmpty();
}

QStringList XSession::visibleWindows(const QString &title) const
{
    // xdotool matches titles as regular expressions.
    QString pattern = u"^"_s;
    for (const QChar c : title) {
        if (u".[]()*+?{}|^$\\"_s.contains(c))
            pattern += u'\\';
        pattern += c;
    }
    pattern += u'$';
    QString found;
    if (xdotool({u"search"_s, u"--onlyvisible"_s, u"--name"_s, pattern}, &found) != 0)
        return {};
    QStringList ids;
    for (const QString &line : found.split(u'\n', Qt::SkipEmptyParts)) {
        if (!line.trimmed().isEmpty())
            ids.append(line.trimmed());
    }
    return ids;
}

QRect XSession::windowGeometry(const QString &id) const
{
    // --shell prints "WINDOW=…", "X=…", "Y=…", "WIDTH=…", "HEIGHT=…", one a line.
    QString output;
    if (xdotool({u"getwindowgeometry"_s, u"--shell"_s, id}, &output) != 0)
        return {};
    QHash<QString, int> values;
    for (const QString &line : output.split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype equals = line.indexOf(u'=');
        bool ok = false;
        const int value = line.mid(equals + 1).trimmed().toInt(&ok);
        if (equals > 0 && ok)
            values.insert(line.left(equals).trimmed(), value);
    }
    for (const QString &key : {u"X"_s, u"Y"_s, u"WIDTH"_s, u"HEIGHT"_s}) {
        if (!values.contains(key))
            return {};
    }
    return QRect(values.value(u"X"_s), values.value(u"Y"_s), values.value(u"WIDTH"_s),
                 values.value(u"HEIGHT"_s));
}

bool XSession::screenshot(const QString &path) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(QStringLiteral(VELM_SCREENGRAB), {path});
    return process.waitForFinished(toolTimeoutMs) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

bool XSession::hasFocusedWindow(const QString &title) const
{
    QString name;
    return xdotool({u"getwindowfocus"_s, u"getwindowname"_s}, &name) == 0
        && name.trimmed() == title;
}
