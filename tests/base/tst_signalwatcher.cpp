#include "base/signalwatcher.h"
#include "support/testregistry.h"

#include <QSignalSpy>
#include <QTest>

#include <csignal>

namespace {

volatile sig_atomic_t g_ownHandlerRuns = 0;
volatile sig_atomic_t g_hookRuns = 0;

void ownHandler(int)
{
    g_ownHandlerRuns = g_ownHandlerRuns + 1;
}

void countHook()
{
    g_hookRuns = g_hookRuns + 1;
}

void (*disposition(int signalNumber))(int)
{
    struct sigaction now = {};
    ::sigaction(signalNumber, nullptr, &now);
    return now.sa_handler;
}

} // namespace

// Real signals, raised in this process: SIGUSR1 and SIGUSR2 end nothing the test needs.
class TestSignalWatcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void caughtOnceThenHandedBack()
    {
        struct sigaction own = {};
        own.sa_handler = ownHandler;
        sigemptyset(&own.sa_mask);
        QCOMPARE(::sigaction(SIGUSR1, &own, nullptr), 0);
        g_ownHandlerRuns = 0;
        g_hookRuns = 0;
        {
            SignalWatcher watcher({SIGUSR1, SIGUSR2});
            QVERIFY(watcher.isActive());
            watcher.setHandlerHook(countHook);
            QSignalSpy caught(&watcher, &SignalWatcher::caught);

            QCOMPARE(::raise(SIGUSR1), 0);
            // The hook runs in the handler; the signal comes from the event loop.
            QCOMPARE(int(g_hookRuns), 1);
            QCOMPARE(caught.count(), 0);
            QVERIFY(caught.wait(5000));
            QCOMPARE(int(g_ownHandlerRuns), 0);
            // Caught once: the next SIGUSR1 would have its default effect.
            QVERIFY(disposition(SIGUSR1) == SIG_DFL);
            QVERIFY(disposition(SIGUSR2) != SIG_DFL);
        }
        // The handler from before the watcher is back.
        QVERIFY(disposition(SIGUSR1) == ownHandler);
        QVERIFY(disposition(SIGUSR2) == SIG_DFL);
        QCOMPARE(::raise(SIGUSR1), 0);
        QCOMPARE(int(g_ownHandlerRuns), 1);
        QCOMPARE(int(g_hookRuns), 1);
        ::signal(SIGUSR1, SIG_DFL);
    }

    void oneAtATime()
    {
        auto first = std::make_unique<SignalWatcher>(QList<int>{SIGUSR2});
        QVERIFY(first->isActive());
        SignalWatcher second({SIGUSR1});
        QVERIFY(!second.isActive());
        // The one that could not be set up leaves SIGUSR1 alone.
        QVERIFY(disposition(SIGUSR1) == SIG_DFL);
        first.reset();
        SignalWatcher third({SIGUSR1});
        QVERIFY(third.isActive());
    }
};

VELM_TEST_MAIN(TestSignalWatcher)
#include "tst_signalwatcher.moc"
