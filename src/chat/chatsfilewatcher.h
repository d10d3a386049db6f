#pragma once

#include "base/folderwatcher.h"

#include <QObject>

class AppEvents;
class Settings;

// Notices when the stored conversations are changed by someone else — `velm ask --save`,
// `velm export`'s neighbours, a second copy of the file synced in — and posts
// "chatsDidChangeExternally" so the windows reload. Writes through this process's Settings
// are recognised and ignored, so a window does not reload what it has just saved.
class ChatsFileWatcher : public QObject
{
    Q_OBJECT

public:
    ChatsFileWatcher(Settings &settings, AppEvents &events, QObject *parent = nullptr);

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
    void compare();

    Settings &m_settings;
    AppEvents &m_events;
    // The data folder appears with the first save, ours or another program's.
    FolderWatcher m_folder;
    Fingerprint m_known;
};
