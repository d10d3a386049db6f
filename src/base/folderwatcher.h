#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

// Says when the files of a folder change, once the changes have settled: a save is a write
// and a rename, often a few in a row, and they come as one changed(). The folder is watched
// rather than a file, because a save that replaces a file ends a watch on the file itself.
// A folder that does not exist yet is watched for through its parent.
class FolderWatcher : public QObject
{
    Q_OBJECT

public:
    explicit FolderWatcher(const QString &folder, QObject *parent = nullptr);

    // How long changes are gathered before changed() says so.
    static constexpr int settleMs = 150;

    // Looks again whether the folder exists, for when a save of this process may have made it.
    void refresh();

Q_SIGNALS:
    void changed();

private:
    QString m_folder;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
};
