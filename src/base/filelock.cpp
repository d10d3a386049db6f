#include "base/filelock.h"

#include <QDeadlineTimer>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <thread>
#include <utility>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

std::optional<FileLock> FileLock::acquire(const QString &path, std::chrono::milliseconds timeout,
                                          QString *error)
{
    const auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));

    // flock() rather than a lock file with a process id in it: the kernel drops the lock of a
    // process that was killed, so nothing stale is ever left to guess about. Polled rather
    // than blocking, so that a holder that hangs costs a bounded wait and a clear error.
    const QDeadlineTimer deadline(timeout);
    auto pause = 1ms;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK || deadline.hasExpired()) {
            const int cause = errno;
            ::close(fd);
            return fail(cause == EWOULDBLOCK ? u"another velm process has held it for too long"_s
                                             : QString::fromLocal8Bit(std::strerror(cause)));
        }
        std::this_thread::sleep_for(
            std::min<std::chrono::nanoseconds>(pause, deadline.remainingTimeAsDuration()));
        pause = std::min(pause * 2, 20ms);
    }
    return FileLock(fd);
}

FileLock::FileLock(FileLock &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
{ }

FileLock &FileLock::operator=(FileLock &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

FileLock::~FileLock()
{
    // Closing the descriptor releases the lock.
    if (m_fd >= 0)
        ::close(m_fd);
}
