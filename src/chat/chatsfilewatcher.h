#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

class AppEvents;
class Settings;

// Notices when the stored conversations are changed by someone else — `velm ask --save`,
// `velm export`'s neighbours, a second copy of the file synced in — and posts
// "chatsDidChangeExternally" so the windows reload. Writes through this process's Settings
// are recognised and ignored, so a window does not reload what it has just saved.
//
// The folder is watched rather than the file, because a save replaces the file (a rename),
// which ends a watch on the file itself.
class ChatsFileWatcher : public QObject
{
    Q_OBJECT

public:
    ChatsFileWatcher(Settings &settings, AppEvents &events, QObject *parent = nullptr);

    // How long changes are gathered before they are compared: a save is a write and a rename.
    static constexpr int settleMs = 150;

private:
    struct Fingerprint
    {
        bool exists = false;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        quint64 inode = 0;

        bool operator==(const Fingerprint &) const = default;
    };

    Fingerprint current() const;
    void watchFolder();
    void compare();

    Settings &m_settings;
    AppEvents &m_events;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    Fingerprint m_known;
};
