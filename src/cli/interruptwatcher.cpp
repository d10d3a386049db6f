#include "cli/interruptwatcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The handler may only touch these: async-signal-safe calls on plain file descriptors.
int g_pipe[2] = {-1, -1};
struct sigaction g_previous;

void onSigint(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    // The pipe is non-blocking: when it is full a wake-up is already pending.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
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

InterruptWatcher::InterruptWatcher(QObject *parent)
    : QObject(parent)
{
    if (g_pipe[0] != -1 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;

    struct sigaction action = {};
    action.sa_handler = onSigint;
    sigemptyset(&action.sa_mask);
    // SA_RESTART keeps interrupted reads and writes of the rest of the program going;
    // SA_RESETHAND lets a second Ctrl-C end a process that does not stop.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    if (::sigaction(SIGINT, &action, &g_previous) != 0) {
        closePipe();
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &InterruptWatcher::onReadable);
    m_active = true;
}

InterruptWatcher::~InterruptWatcher()
{
    if (!m_active)
        return;
    ::sigaction(SIGINT, &g_previous, nullptr);
    delete m_notifier;
    closePipe();
}

void InterruptWatcher::onReadable()
{
    char buffer[16];
    while (::read(g_pipe[0], buffer, sizeof buffer) > 0) { }
    Q_EMIT interrupted();
}
