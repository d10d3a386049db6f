#include "chat/chatsfilewatcher.h"

#include "chat/appevents.h"
#include "chat/settings.h"
#include "chat/settingskeys.h"

#include <QFile>

#include <sys/stat.h>

namespace {

QString chatsKey()
{
    return SettingsKeys::chatSessions.toString();
}

} // namespace

ChatsFileWatcher::ChatsFileWatcher(Settings &settings, AppEvents &events, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_events(events)
    , m_folder(settings.dataDirectory())
{
    connect(&m_folder, &FolderWatcher::changed, this, &ChatsFileWatcher::compare);
    connect(&m_settings, &Settings::changed, this, [this](const QString &key) {
        // Our own save (or reset): what is on disk now is what the windows already show.
        if (key == chatsKey()) {
            m_known = current();
            m_folder.refresh();
        }
    });
    m_known = current();
}

ChatsFileWatcher::Fingerprint ChatsFileWatcher::current() const
{
    // The modification time alone can miss a rewrite within the file system's time
    // resolution; the inode changes with every atomic save.
    Fingerprint print;
    const QByteArray path = QFile::encodeName(m_settings.dataFilePath(chatsKey()));
    struct stat info = {};
    if (::stat(path.constData(), &info) != 0)
        return print;
    print.exists = true;
    print.size = info.st_size;
    print.inode = info.st_ino;
    print.modifiedNs = qint64(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    return print;
}

void ChatsFileWatcher::compare()
{
    const Fingerprint now = current();
    if (now == m_known)
        return;
    m_known = now;
    m_events.postChatsDidChangeExternally();
}
