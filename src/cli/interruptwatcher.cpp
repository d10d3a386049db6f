#include "cli/interruptwatcher.h"

#include <csignal>
#include <ctime>
#include <unistd.h>

namespace {

// The handler may only touch these: a timer made beforehand and plain values.
volatile sig_atomic_t g_hasDeadline = 0;
timer_t g_deadline;
struct itimerspec g_grace = {};
volatile sig_atomic_t g_deadlineExitCode = 0;

// Runs in the SIGINT handler.
void startDeadline()
{
    if (g_hasDeadline)
        ::timer_settime(g_deadline, 0, &g_grace, nullptr);
}

// Runs on a thread of its own, so it ends the process even when the main thread is stuck.
void onDeadline(union sigval)
{
    [[maybe_unused]] const ssize_t written = ::write(STDOUT_FILENO, "\n", 1);
    ::_exit(g_deadlineExitCode);
}

} // namespace

InterruptWatcher::InterruptWatcher(QObject *parent)
    : QObject(parent)
    , m_watcher({SIGINT})
{
    connect(&m_watcher, &SignalWatcher::caught, this, &InterruptWatcher::interrupted);
}

InterruptWatcher::~InterruptWatcher()
{
    if (!g_hasDeadline || !isActive())
        return;
    m_watcher.setHandlerHook(nullptr);
    g_hasDeadline = 0;
    ::timer_delete(g_deadline);
}

void InterruptWatcher::setDeadline(std::chrono::milliseconds grace, int exitCode)
{
    if (!isActive() || g_hasDeadline)
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
    m_watcher.setHandlerHook(startDeadline);
}
