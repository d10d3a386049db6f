#pragma once

#include <QString>

#include <chrono>
#include <optional>

// An exclusive lock that every velm process takes before it reads, changes and writes back
// a shared file, so that two of them never both write what they read before the other's
// change. Advisory: it binds only those who take it. The system releases it when the holder
// ends, however it ends, so a crash never leaves the store locked.
class FileLock
{
public:
    // Waits up to `timeout` for the lock that `path` stands for; the file is made when
    // missing and is never removed (removing it would let two holders lock two files).
    // Nothing, and `error` (when given) saying why, when it cannot be had.
    static std::optional<FileLock> acquire(const QString &path, std::chrono::milliseconds timeout,
                                           QString *error = nullptr);

    FileLock(FileLock &&other) noexcept;
    FileLock &operator=(FileLock &&other) noexcept;
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;
    ~FileLock();

private:
    explicit FileLock(int fd)
        : m_fd(fd)
    { }

    int m_fd = -1;
};
