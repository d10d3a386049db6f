#pragma once

#include <QByteArray>
#include <QString>

// The XDG autostart entry that starts velm at login, hidden in the tray. The entry is a file
// of its own in the user's autostart folder, named after the application id, so desktops
// that list "startup applications" show it as velm's and removing it touches nothing else.
class AutostartEntry
{
public:
    // The user's autostart folder ($XDG_CONFIG_HOME/autostart) and the running binary.
    AutostartEntry();
    AutostartEntry(QString directory, QString executable);

    // $XDG_CONFIG_HOME/autostart, or ~/.config/autostart when that is unset or relative.
    static QString defaultDirectory();

    QString filePath() const;
    // Whether velm starts at login: the entry exists and is not switched off with
    // "Hidden=true" or "X-GNOME-Autostart-enabled=false", as a desktop's own dialog may do.
    bool isEnabled() const;
    // Writes the entry (atomically, creating the folder) or removes it. On failure returns
    // false and, when given, sets `errorString` to a sentence for the user.
    bool setEnabled(bool enabled, QString *errorString = nullptr);

    // The entry's text: velm started with --hidden.
    QByteArray contents() const;

private:
    QString m_directory;
    QString m_executable;
};
