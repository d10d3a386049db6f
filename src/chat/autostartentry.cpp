#include "chat/autostartentry.h"

#include "base/appidentity.h"
#include "base/atomicfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Desktop entry strings escape backslashes, and Exec arguments with spaces or reserved
// characters are quoted, with ", `, $ and \ escaped inside the quotes.
QString quotedExecArgument(const QString &argument)
{
    static const QString reserved = u" \t\n\"'\\><~|&;$*?#()`"_s;
    const bool needsQuotes = std::any_of(argument.cbegin(), argument.cend(),
                                         [](QChar c) { return reserved.contains(c); });
    QString escaped = argument;
    escaped.replace(u'%', u"%%"_s);
    if (!needsQuotes)
        return escaped;
    QString quoted;
    for (const QChar c : std::as_const(escaped)) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    // The string itself is then escaped once more as a desktop entry value.
    quoted.replace(u"\\"_s, u"\\\\"_s);
    return u'"' + quoted + u'"';
}

} // namespace

AutostartEntry::AutostartEntry()
    : AutostartEntry(defaultDirectory(), QCoreApplication::applicationFilePath())
{ }

AutostartEntry::AutostartEntry(QString directory, QString executable)
    : m_directory(std::move(directory))
    , m_executable(std::move(executable))
{ }

QString AutostartEntry::defaultDirectory()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config))
        config = QDir::homePath() + u"/.config"_s;
    return config + u"/autostart"_s;
}

QString AutostartEntry::filePath() const
{
    return m_directory + u'/' + AppIdentity::applicationId + u".desktop"_s;
}

bool AutostartEntry::isEnabled() const
{
    QFile file(filePath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream in(&file);
    bool inMainGroup = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(u'[')) {
            inMainGroup = line == u"[Desktop Entry]";
            continue;
        }
        if (!inMainGroup)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == u"Hidden" && value == u"true")
            return false;
        if (key == u"X-GNOME-Autostart-enabled" && value == u"false")
            return false;
    }
    return true;
}

bool AutostartEntry::setEnabled(bool enabled, QString *errorString)
{
    const QString path = filePath();
    if (!enabled) {
        if (!QFile::exists(path) || QFile::remove(path))
            return true;
        if (errorString)
            *errorString = QCoreApplication::translate("AutostartEntry", "Could not remove %1.")
                               .arg(QDir::toNativeSeparators(path));
        return false;
    }
    if (!QDir().mkpath(m_directory)) {
        if (errorString)
            *errorString = QCoreApplication::translate("AutostartEntry", "Could not create %1.")
                               .arg(QDir::toNativeSeparators(m_directory));
        return false;
    }
    QString why;
    if (!AtomicFile::write(path, contents(), &why)) {
        if (errorString)
            //: %1 is a file, %2 says why
            *errorString = QCoreApplication::translate("AutostartEntry", "Could not write %1: %2")
                               .arg(QDir::toNativeSeparators(path), why);
        return false;
    }
    return true;
}

QByteArray AutostartEntry::contents() const
{
    QString text;
    text += u"[Desktop Entry]\n"_s;
    text += u"Type=Application\n"_s;
    text += u"Name=velm\n"_s;
    text += u"Comment=Chat with the language models on your own machine\n"_s;
    text += u"Exec=%1 --hidden\n"_s.arg(quotedExecArgument(m_executable));
    text += u"Icon=%1\n"_s.arg(AppIdentity::applicationId);
    text += u"Terminal=false\n"_s;
    text += u"NoDisplay=true\n"_s;
    text += u"X-GNOME-Autostart-enabled=true\n"_s;
    return text.toUtf8();
}
