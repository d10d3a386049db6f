#include "chat/chatsfilewatcher.h"

#include "chat/appevents.h"
#include "chat/settings.h"
#include "chat/settingskeys.h"

#include <QFileInfo>

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
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMs);
    connect(&m_settle, &QTimer::timeout, this, &ChatsFileWatcher::compare);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        watchFolder();
        m_settle.start();
    });
    connect(&m_settings, &Settings::changed, this, [this](const QString &key) {
        // Our own save (or reset): what is on disk now is what the windows already show.
        if (key == chatsKey()) {
            m_known = current();
            watchFolder();
        }
    });
    m_known = current();
    watchFolder();
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

void ChatsFileWatcher::watchFolder()
{
    // The data folder appears with the first save, ours or another program's; until then
    // its parent is watched for it to appear.
    const QString folder = m_settings.dataDirectory();
    const QString watched = QFileInfo::exists(folder) ? folder : QFileInfo(folder).absolutePath();
    const QStringList current = m_watcher.directories();
    if (current == QStringList{watched})
        return;
    if (!current.isEmpty())
        m_watcher.removePaths(current);
    if (QFileInfo::exists(watched))
        m_watcher.addPath(watched);
}

void ChatsFileWatcher::compare()
{
    const Fingerprint now = current();
    if (now == m_known)
        return;
    m_known = now;
    m_events.postChatsDidChangeExternally();
}
