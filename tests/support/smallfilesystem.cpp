#include "support/smallfilesystem.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

SmallFileSystem::SmallFileSystem(int kibibytes)
{
    if (!m_dir.isValid()) {
        m_whyNot = u"no temporary folder"_s;
        return;
    }
    const QByteArray target = QFile::encodeName(m_dir.path());
    const QByteArray options = "size=" + QByteArray::number(kibibytes) + "k,mode=0755";
    if (::mount("tmpfs", target.constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData())
        != 0) {
        m_whyNot = u"a full disk is played by a small tmpfs, and mounting one was not allowed "
                   "here (%1); run as root to include this test"_s.arg(
                       QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    m_mounted = true;
}

SmallFileSystem::~SmallFileSystem()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

bool SmallFileSystem::fill(qint64 leave)
{
    const QByteArray name = QFile::encodeName(filePath(u"filler"_s));
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    // Down to single bytes, so that not even the tail of a block is left.
    static const char block[4096] = {};
    for (size_t chunk = sizeof block; chunk > 0; chunk /= 2) {
        while (::write(fd, block, chunk) == ssize_t(chunk)) { }
    }
    bool full = errno == ENOSPC;
    if (full && leave > 0) {
        const off_t size = ::lseek(fd, 0, SEEK_END);
        full = size >= leave && ::ftruncate(fd, size - leave) == 0;
    }
    ::close(fd);
    return full;
}
