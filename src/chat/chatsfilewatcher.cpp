#include "chat/chatsfilewatcher.h"

#include "chat/appevents.h"
#include "chat/chatstore.h"
#include "chat/settings.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

ChatsFileWatcher::ChatsFileWatcher(Settings &settings, AppEvents &events, QObject *parent)
    : QObject(parent)
    , m_database(ChatStore::path(settings))
    , m_events(events)
    , m_folder(settings.dataDirectory())
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(FolderWatcher::settleMs);
    connect(&m_settle, &QTimer::timeout, &m_events, &AppEvents::postChatsDidChangeExternally);
    connect(&m_files, &QFileSystemWatcher::fileChanged, this, [this] {
        watchFiles();
        m_settle.start();
    });
    connect(&m_folder, &FolderWatcher::changed, this, [this] {
        watchFiles();
        m_settle.start();
    });
    watchFiles();
}

void ChatsFileWatcher::watchFiles()
{
    // A file that was replaced or made anew is watched again.
    for (const QString &file : {m_database, m_database + u"-wal"_s}) {
        if (QFileInfo::exists(file) && !m_files.files().contains(file))
            m_files.addPath(file);
    }
}
