#pragma once

#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QTimer>
#include <QVariant>

class Settings;

// Notices preferences changed by another process — `velm config`, a hand edit, a synced
// copy — and announces each one through Settings::changed, so open windows show the new
// value as they do for a change made in velm itself. Only preferences whose value really
// differs are announced; this process's own writes are already known and stay quiet.
//
// The folder is watched rather than the file, because QSettings saves by replacing the file,
// which ends a watch on the file itself.
class SettingsFileWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SettingsFileWatcher(Settings &settings, QObject *parent = nullptr);

    // How long changes are gathered before they are compared: a save is a write and a rename.
    static constexpr int settleMs = 150;

private:
    void watchFolder();
    void compare();

    Settings &m_settings;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QHash<QString, QVariant> m_known;
};
