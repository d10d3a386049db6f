#include "cli/interruptwatcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The handler may only touch these: async-signal-safe calls on plain file descriptors and
// on a timer made beforehand.
int g_pipe[2] = {-1, -1};
struct sigaction g_previous;
volatile sig_atomic_t g_hasDeadline = 0;
timer_t g_deadline;
struct itimerspec g_grace = {};
volatile sig_atomic_t g_deadlineExitCode = 0;

void onSigint(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    // The pipe is non-blocking: when it is full a wake-up is already pending.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    if (g_hasDeadline)
        ::timer_settime(g_deadline, 0, &g_grace, nullptr);
    errno = savedErrno;
}

// Runs on a thread of its own, so it ends the process even when the main thread is stuck.
void onDeadline(union sigval)
{
    [[maybe_unused]] const ssize_t written = ::write(STDOUT_FILENO, "\n", 1);
    ::_exit(g_deadlineExitCode);
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
    if (g_hasDeadline) {
        g_hasDeadline = 0;
        ::timer_delete(g_deadline);
    }
    delete m_notifier;
    closePipe();
}

void InterruptWatcher::setDeadline(std::chrono::milliseconds grace, int exitCode)
{
    if (!m_active || g_hasDeadline)
        return;
    struct sigevent event = {};
    event.sigev_notify = SIGEV_THREAD;
    event.sigev_notify_function = onDeadline;
    if (::timer_create(CLOCK_MONOTONIC, &event, &g_deadline) != 0)
        return;
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(grace);
    g_grace.it_value.tv_sec = seconds.count();
    g_grace.it_value.tv_nsec = std::chrono::nanoseconds(grace - seconds).count();
    g_deadlineExitCode = exitCode;
    g_hasDeadline = 1;
}

void InterruptWatcher::onReadable()
{
    char buffer[16];
    while (::read(g_pipe[0], buffer, sizeof buffer) > 0) { }
    Q_EMIT interrupted();
}
