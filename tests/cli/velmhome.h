#pragma once

#include "chat/settings.h"

#include <QByteArray>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class QProcess;

// How one run of the velm binary ended; exitCode -1 when it crashed or hung.
struct VelmRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    QString outText() const { return QString::fromUtf8(out); }
    QString errText() const { return QString::fromUtf8(err); }
};

// A throw-away user for the velm binary: settings and chats in a temporary directory, and
// instant answers pointed at a closed port so that no test ever reaches the real service.
class VelmHome
{
public:
    VelmHome();

    bool isValid() const { return m_dir.isValid(); }
    // The throw-away directory that holds everything of this user.
    QString path() const { return m_dir.path(); }
    QString settingsFile() const;
    QString dataDirectory() const;
    // The same store the binary uses, for setting up and reading back.
    std::unique_ptr<Settings> settings() const;

    // Sets a variable of velm's environment, e.g. XDG_DATA_HOME to move the chats elsewhere.
    void setEnvironment(const QString &name, const QString &value);
    // Runs velm through `command` (e.g. setpriv with another user), which is given velm's
    // path and arguments after its own.
    void setLauncher(const QStringList &command) { m_launcher = command; }

    // Starts velm with `arguments`; the caller waits.
    void start(QProcess &process, const QStringList &arguments) const;
    // Runs velm to its end, feeding it `input` on standard input, while this event loop
    // keeps serving the fake servers.
    VelmRun run(const QStringList &arguments, const QByteArray &input = {}) const;

private:
    QTemporaryDir m_dir;
    QProcessEnvironment m_environment;
    QStringList m_launcher;
};
