#pragma once

#include "base/folderwatcher.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

class AppEvents;
class Settings;

// Notices when the stored conversations may have been changed by someone else —
// `velm ask --save`, `velm import` — and posts "chatsDidChangeExternally" so the windows
// look. Every commit to the database writes its log file, ours included: ChatList asks the
// store whether the change was another's, which costs next to nothing.
class ChatsFileWatcher : public QObject
{
    Q_OBJECT

public:
    ChatsFileWatcher(Settings &settings, AppEvents &events, QObject *parent = nullptr);

private:
    void watchFiles();

    QString m_database;
    AppEvents &m_events;
    // The data folder and the database appear with the first save, ours or another's.
    FolderWatcher m_folder;
    QFileSystemWatcher m_files;
    QTimer m_settle;
};
