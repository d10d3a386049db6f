#pragma once

#include <QString>
#include <QTemporaryDir>

// A real file system of a few kilobytes (a tmpfs mounted on a throw-away folder), for what
// happens when the disk is full. Mounting needs root; elsewhere isMounted() is false and
// whyNot() says so, for QSKIP.
class SmallFileSystem
{
public:
    explicit SmallFileSystem(int kibibytes = 64);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem &) = delete;
    SmallFileSystem &operator=(const SmallFileSystem &) = delete;

    bool isMounted() const { return m_mounted; }
    QString whyNot() const { return m_whyNot; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Takes up every byte that is left with a filler file but `leave`, so that a write that
    // needs more fails with "No space left on device".
    bool fill(qint64 leave = 0);

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_whyNot;
};
