#include "shell/terminationwatcher.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> watchedSignals{SIGTERM, SIGHUP, SIGINT};

// The handler may only touch these: async-signal-safe calls on plain file descriptors.
int g_pipe[2] = {-1, -1};
std::array<struct sigaction, watchedSignals.size()> g_previous;

void onSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    // The pipe is non-blocking: when it is full a wake-up is already pending.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

// pipe2() would do this in one call, but macOS lacks it.
bool openPipe()
{
    if (::pipe(g_pipe) != 0)
        return false;
    for (const int fd : g_pipe) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    return true;
}

void closePipe()
{
    for (int &fd : g_pipe) {
        if (fd != -1)
            ::close(fd);
        fd = -1;
    }
}

} // namespace

TerminationWatcher::TerminationWatcher(QObject *parent)
    : QObject(parent)
{
    if (g_pipe[0] != -1 || !openPipe())
        return;

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (std::size_t i = 0; i < watchedSignals.size(); ++i) {
        if (::sigaction(watchedSignals[i], &action, &g_previous[i]) != 0) {
            for (std::size_t j = 0; j < i; ++j)
                ::sigaction(watchedSignals[j], &g_previous[j], nullptr);
            closePipe();
            return;
        }
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationWatcher::onReadable);
    m_active = true;
}

TerminationWatcher::~TerminationWatcher()
{
    if (!m_active)
        return;
    for (std::size_t i = 0; i < watchedSignals.size(); ++i)
        ::sigaction(watchedSignals[i], &g_previous[i], nullptr);
    delete m_notifier;
    closePipe();
}

void TerminationWatcher::onReadable()
{
    char buffer[16];
    while (::read(g_pipe[0], buffer, sizeof buffer) > 0) { }
    Q_EMIT terminationRequested();
}
