#include "base/signalwatcher.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The handler may only touch these: async-signal-safe calls on plain file descriptors, and
// a hook that is read atomically.
int g_pipe[2] = {-1, -1};
QList<struct sigaction> g_previous;
std::atomic<SignalWatcher::HandlerHook> g_hook = nullptr;
static_assert(std::atomic<SignalWatcher::HandlerHook>::is_always_lock_free);

void onSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    // The pipe is non-blocking: when it is full a wake-up is already pending.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    if (const SignalWatcher::HandlerHook hook = g_hook.load())
        hook();
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

void restore(const QList<int> &signalNumbers, qsizetype count)
{
    for (qsizetype i = 0; i < count; ++i)
        ::sigaction(signalNumbers[i], &g_previous[i], nullptr);
}

} // namespace

SignalWatcher::SignalWatcher(const QList<int> &signalNumbers, QObject *parent)
    : QObject(parent)
    , m_signals(signalNumbers)
{
    if (g_pipe[0] != -1 || !openPipe())
        return;

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // SA_RESTART keeps interrupted reads and writes of the rest of the program going;
    // SA_RESETHAND lets a second signal end a process that does not stop.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    g_previous.resize(m_signals.size());
    for (qsizetype i = 0; i < m_signals.size(); ++i) {
        if (::sigaction(m_signals[i], &action, &g_previous[i]) != 0) {
            restore(m_signals, i);
            closePipe();
            return;
        }
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalWatcher::onReadable);
    m_active = true;
}

SignalWatcher::~SignalWatcher()
{
    if (!m_active)
        return;
    restore(m_signals, m_signals.size());
    g_hook = nullptr;
    delete m_notifier;
    closePipe();
}

void SignalWatcher::setHandlerHook(HandlerHook hook)
{
    if (m_active)
        g_hook = hook;
}

void SignalWatcher::onReadable()
{
    char buffer[16];
    while (::read(g_pipe[0], buffer, sizeof buffer) > 0) { }
    Q_EMIT caught();
}
