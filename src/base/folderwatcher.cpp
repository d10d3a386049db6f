#include "base/folderwatcher.h"

#include <QFileInfo>

FolderWatcher::FolderWatcher(const QString &folder, QObject *parent)
    : QObject(parent)
    , m_folder(folder)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMs);
    connect(&m_settle, &QTimer::timeout, this, &FolderWatcher::changed);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        refresh();
        m_settle.start();
    });
    refresh();
}

void FolderWatcher::refresh()
{
    const QString watched
        = QFileInfo::exists(m_folder) ? m_folder : QFileInfo(m_folder).absolutePath();
    const QStringList current = m_watcher.directories();
    if (current == QStringList{watched})
        return;
    if (!current.isEmpty())
        m_watcher.removePaths(current);
    if (QFileInfo::exists(watched))
        m_watcher.addPath(watched);
}
