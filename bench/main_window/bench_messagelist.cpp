// The conversation view with the real controller, offscreen:
//
// - Opening a stored chat of 500 messages (Markdown with code and some math): the time from
//   selecting it until it is laid out at its end, with the rows near the viewport built.
//   Budget 300 ms.
// - A 4,000-piece Markdown answer with code and math streamed at 1,000 pieces a second by a
//   fake model server on a thread of its own: the longest stall of the main thread (a 1 ms
//   timer that notes how late it fires; budget 16 ms), and the delay from the arrival of
//   the last piece to its text being in the view (budget 100 ms). The stall is given as wall
//   time and as the main thread's own CPU time in its busiest gap, since on a shared machine
//   a late tick may only mean that other processes had the cores; and once with the
//   formulas and once without, which shows what formulas cost.
// - The same 4,000 pieces as a thinking model's thought (delta.reasoning_content), streamed
//   into the thought row the same way, then a one-piece answer: the same stall figures, and
//   the delay from the answer's arrival to its text being in the view.

#include "chat/appevents.h"
#include "chat/chatlist.h"
#include "chat/chatstore.h"
#include "chat/conversationcontroller.h"
#include "chat/settings.h"
#include "main_window/assistantmessagerow.h"
#include "main_window/chatscrollview.h"
#include "main_window/chatviewstate.h"
#include "main_window/messagelistview.h"
#include "markdown/view/markdownview.h"
#include "markdown/view/mathblockview.h"
#include "support/fakemodelserver.h"
#include "widgets/appcolors.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMetaEnum>
#include <QNetworkAccessManager>
#include <QScrollBar>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include <time.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// One answer: a heading, prose with inline math every few sections, a list, code, a quote.
QString answerText(int n)
{
    const QString i = QString::number(n);
    QString text = u"## Part "_s + i + u"\n\nThe **main idea** of step "_s + i
        + u" is that `update()` keeps the error small; the [notes](https://example.org/"_s + i
        + u") explain why. It runs once per iteration and stops early when the estimate "
          "settles.\n\n- first point\n- second point with *emphasis*\n\n```python\ndef step_"_s
        + i + u"(x):\n    return x - 0.1 * grad(x)\n```\n\n> A remark on part "_s + i + u".\n"_s;
    if (n % 8 == 7)
        text += u"\nThe bound is $e_{"_s + i
            + u"} \\le C h^2$.\n\n$$\n\\sum_{k=1}^{n} k = "
              "\\frac{n(n+1)}{2}\n$$\n"_s;
    return text;
}

ChatSession storedChat(int messageCount)
{
    ChatSession session = ChatSession::create(QDateTime(QDate(2025, 1, 2), QTime(3, 4), Qt::UTC));
    for (int m = 0; m < messageCount; ++m)
        session.messages.append(
            m % 2 == 0
                ? ChatMessage(ChatMessage::Role::User,
                              u"Question "_s + QString::number(m) + u": how does this step work?"_s)
                : ChatMessage(ChatMessage::Role::Assistant, answerText(m)));
    return session;
}

// The long answer cut into `count` pieces of a few characters; without its formulas when
// `math` is false, which shows what formulas cost.
QStringList answerPieces(int count, bool math)
{
    QString whole;
    for (int n = 0; whole.size() < count * 6; ++n)
        whole += answerText(n) + u'\n';
    if (!math)
        whole.replace(u'$', u'§');
    QStringList pieces;
    const qsizetype size = whole.size() / count;
    for (int p = 0; p < count; ++p)
        pieces.append(p == count - 1 ? whole.mid(p * size) : whole.mid(p * size, size));
    return pieces;
}

// Everything the view works with, on throw-away storage.
class Harness
{
public:
    Harness()
    {
        const QString data = m_dir.filePath(u"data"_s);
        QDir().mkpath(data);
        m_settings = std::make_unique<Settings>(m_dir.filePath(u"velm.conf"_s), data);
        m_settings->setHasCompletedOnboarding(true);
        m_settings->setWebSearchMode(u"never"_s);
        m_store = std::make_unique<ChatStore>(*m_settings);
    }
    ~Harness()
    {
        m_controller.reset();
        m_chatList.reset();
    }

    Settings &settings() { return *m_settings; }
    ChatStore &store() { return *m_store; }

    ConversationController &controller()
    {
        if (!m_controller) {
            m_chatList = std::make_unique<ChatList>(*m_store, m_events);
            m_controller = std::make_unique<ConversationController>(*m_settings, *m_chatList,
                                                                    m_events, m_network);
        }
        return *m_controller;
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<ChatStore> m_store;
    AppEvents m_events;
    QNetworkAccessManager m_network;
    std::unique_ptr<ChatList> m_chatList;
    std::unique_ptr<ConversationController> m_controller;
};

struct Window
{
    explicit Window(ConversationController &controller)
        : view(controller, state)
    {
        view.setPalette(AppColors::palette(true));
        view.resize(900, 760);
        view.show();
    }
    ChatViewState state;
    MessageListView view;
};

// CPU time of the calling thread: a late tick with little of it was the machine's doing
// (other processes), not the main thread's work.
qint64 threadCpuNanoseconds()
{
    timespec time{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

// Times every event the main thread dispatches, so that a stall can be named: which
// receiver got which event, and which events sent from inside it took long. The longest gap
// of the watchdog is then reported with the slow dispatches it contained.
class TimedApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override
    {
        // The fake server's thread dispatches its own events through here too.
        if (!m_recording || QThread::currentThread() != thread())
            return QApplication::notify(receiver, event);
        const int depth = m_depth++;
        const qint64 start = m_clock.nsecsElapsed();
        const qint64 startCpu = threadCpuNanoseconds();
        // The receiver may be gone afterwards (deleteLater): describe it now.
        const char *className = receiver->metaObject()->className();
        const int type = event->type();
        const bool result = QApplication::notify(receiver, event);
        const qint64 elapsed = m_clock.nsecsElapsed() - start;
        const qint64 cpu = threadCpuNanoseconds() - startCpu;
        --m_depth;
        if (elapsed >= slowNs || cpu >= slowCpuNs)
            m_slow.append({depth, type, elapsed, cpu, start, QByteArray(className)});
        if (depth == 0) {
            Total &total = m_totals[QByteArray(className) + ' ' + QByteArray::number(type)];
            ++total.count;
            total.cpu += cpu;
        }
        return result;
    }

    void startRecording()
    {
        m_clock.start();
        m_slow.clear();
        m_recording = true;
    }
    void stopRecording() { m_recording = false; }

    // What took long since the last call, innermost last; forgets it.
    QString takeSlowDispatches()
    {
        std::sort(m_slow.begin(), m_slow.end(), [](const Dispatch &a, const Dispatch &b) {
            return a.start != b.start ? a.start < b.start : a.depth < b.depth;
        });
        QString text;
        const QMetaEnum types = QMetaEnum::fromType<QEvent::Type>();
        for (const Dispatch &slow : std::as_const(m_slow)) {
            const char *typeName = types.valueToKey(slow.type);
            text += u"\n    "_s + QString(slow.depth * 2, u' ') + QLatin1String(slow.className)
                + u' ' + (typeName ? QLatin1String(typeName) : QLatin1String("event")) + u'('
                + QString::number(slow.type) + u") "_s + QString::number(slow.elapsed / 1e6, 'f', 1)
                + u" ms (cpu "_s + QString::number(slow.cpu / 1e6, 'f', 1) + u" ms)"_s;
        }
        m_slow.clear();
        // All dispatches of the gap, by receiver class and event type, costliest first.
        QList<std::pair<qint64, QString>> totals;
        for (auto it = m_totals.cbegin(); it != m_totals.cend(); ++it)
            totals.append({it->cpu,
                           QString::fromLatin1(it.key()) + u" x"_s + QString::number(it->count)
                               + u" cpu "_s + QString::number(it->cpu / 1e6, 'f', 1) + u" ms"_s});
        std::sort(totals.begin(), totals.end(),
                  [](const auto &a, const auto &b) { return a.first > b.first; });
        text += u"\n    all:"_s;
        for (qsizetype i = 0; i < std::min<qsizetype>(totals.size(), 6); ++i)
            text += u"\n      "_s + totals.at(i).second;
        m_totals.clear();
        return text;
    }

private:
    static constexpr qint64 slowNs = 4'000'000;
    static constexpr qint64 slowCpuNs = 2'000'000;
    struct Dispatch
    {
        int depth;
        int type;
        qint64 elapsed;
        qint64 cpu;
        qint64 start;
        QByteArray className;
    };
    struct Total
    {
        int count = 0;
        qint64 cpu = 0;
    };
    QElapsedTimer m_clock;
    QList<Dispatch> m_slow;
    QHash<QByteArray, Total> m_totals;
    int m_depth = 0;
    bool m_recording = false;
};

TimedApplication *timedApplication()
{
    return static_cast<TimedApplication *>(QCoreApplication::instance());
}

// Runs the event loop until `done`; false after `limitMs`. Between events the thread
// sleeps, as in the application: a busy loop would keep a core from the web engine's
// threads and processes, and the scheduler would then take the main thread away from
// its work for whole time slices, which looks like stalls that are not the view's doing.
template<typename Predicate>
bool spinUntil(Predicate done, int limitMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    // Wakes the loop to look at `done` again.
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    poll.start(1);
    while (!done()) {
        if (timer.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// The first formula of a process waits for KaTeX to load on the math thread; the streaming
// figures are about the steady state after that.
void warmUpMath()
{
    static bool warm = false;
    if (std::exchange(warm, true))
        return;
    QWidget window;
    auto *view = new MarkdownView(&window);
    view->setText(u"$$\\frac{1}{2}$$"_s);
    window.resize(400, 200);
    window.show();
    spinUntil([&] {
        auto *block = window.findChild<MathBlockView *>();
        return block && block->isTypeset();
    });
}

void BM_StreamAnswer(benchmark::State &state);
// Without formulas first, while the process has no web engine: once it runs, the engine's
// own housekeeping takes the main thread now and then (bursts of about 100 ms on the
// machine this was written on), which is not the list's doing.
BENCHMARK(BM_StreamAnswer)
    ->ArgNames({"pieces", "math", "thinking"})
    ->Args({4000, 0, 0})
    ->Args({4000, 0, 1})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Opens one of two stored 500-message chats in turn.
void BM_OpenLongChat(benchmark::State &state)
{
    Harness harness;
    const ChatSession first = storedChat(int(state.range(0)));
    const ChatSession second = storedChat(int(state.range(0)));
    harness.store().add({first, second});
    ConversationController &controller = harness.controller();
    Window window(controller);
    warmUpMath();
    ChatScrollView *scroll = window.view.scrollView();
    spinUntil([] { return false; }, 200);

    bool toFirst = true;
    double worst = 0;
    for (auto _ : state) {
        const ChatSession &session = toFirst ? first : second;
        toFirst = !toFirst;
        const int scrolls = scroll->scrollCount();
        QElapsedTimer timer;
        timer.start();
        controller.selectSession(session.id);
        const bool shown = spinUntil([&] {
            return scroll->scrollCount() > scrolls
                && scroll->verticalScrollBar()->value() == scroll->verticalScrollBar()->maximum()
                && scroll->rowWidget(session.messages.constLast().id);
        });
        // Whatever the layout still has queued belongs to the opening too.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCoreApplication::processEvents();
        const double seconds = timer.nsecsElapsed() / 1e9;
        if (!shown)
            state.SkipWithError("the chat was not shown");
        worst = std::max(worst, seconds);
        state.SetIterationTime(seconds);
        state.counters["built_rows"] = scroll->builtRowCount();
        state.counters["math_views"] = double(window.view.findChildren<MathBlockView *>().size());
        // Let the math pages of this round settle before the next.
        spinUntil([] { return false; }, 300);
    }
    state.counters["worst_ms"] = worst * 1e3;
}
BENCHMARK(BM_OpenLongChat)
    ->Arg(500)
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

// The model server on a thread of its own, so that the main thread does only the client's
// and the view's work.
class ServerThread
{
public:
    explicit ServerThread(FakeResponse response)
    {
        m_thread.reset(QThread::create([this, response] {
            FakeModelServer server;
            server.setStreamResponse(response);
            server.listen();
            m_address = server.address();
            QEventLoop loop;
            m_loop = &loop;
            m_ready.release();
            loop.exec();
        }));
        m_thread->start();
        m_ready.acquire();
    }
    ~ServerThread()
    {
        QMetaObject::invokeMethod(m_loop, &QEventLoop::quit, Qt::QueuedConnection);
        m_thread->wait();
    }
    QString address() const { return m_address; }

private:
    std::unique_ptr<QThread> m_thread;
    QSemaphore m_ready;
    QString m_address;
    QEventLoop *m_loop = nullptr;
};

void BM_StreamAnswer(benchmark::State &state)
{
    const QStringList pieces = answerPieces(int(state.range(0)), state.range(1) != 0);
    const bool thinking = state.range(2) != 0;
    const QString whole = thinking ? u"Done."_s : pieces.join(QString());
    FakeResponse response = thinking
        ? FakeModelServer::thinkingStream(FakeModelServer::Thinking::reasoningContent, pieces,
                                          {whole})
        : FakeResponse::eventStream(FakeModelServer::streamBody(pieces));
    response.delayBetweenPiecesMs = 1;
    for (auto _ : state) {
        ServerThread server(response);
        Harness harness;
        harness.settings().setLmStudioServerAddress(server.address());
        ConversationController &controller = harness.controller();
        Window window(controller);
        if (state.range(1) != 0)
            warmUpMath();
        spinUntil([] { return false; }, 200);

        QElapsedTimer clock;
        clock.start();
        qint64 lastTick = -1;
        qint64 worstGap = 0;
        qint64 worstBusyGap = 0;
        qint64 lastCpu = 0;
        int longStalls = 0;
        QString worstStallDispatches;
        std::vector<qint64> stalls;
        qint64 arrived = -1;
        qint64 displayed = -1;
        // Fires every millisecond when the main thread is free: a late tick is a stall.
        QTimer watchdog;
        watchdog.setTimerType(Qt::PreciseTimer);
        watchdog.setInterval(1);
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            const qint64 cpu = threadCpuNanoseconds();
            const std::optional<ChatSession> session = controller.sidebarItem()
                ? controller.session(*controller.sidebarItem())
                : std::nullopt;
            // Stalls count from the first piece on: the request before it (the first of the
            // process, which sets up the network stack) is not streaming.
            const bool streaming = session && session->messages.size() > 1
                && !(session->messages.at(1).text.isEmpty()
                     && session->messages.at(1).reasoning.isEmpty());
            const QString dispatches = timedApplication()->takeSlowDispatches();
            if (lastTick >= 0 && streaming && displayed < 0) {
                if (now - lastTick > worstGap) {
                    worstGap = now - lastTick;
                    worstStallDispatches = dispatches;
                }
                worstBusyGap = std::max(worstBusyGap, cpu - lastCpu);
                if (now - lastTick > 17'000'000) {
                    ++longStalls;
                    stalls.push_back(now - lastTick);
                    if (qEnvironmentVariableIsSet("VELM_BENCH_STALLS"))
                        fprintf(stderr, "stall %.1f ms (cpu %.1f ms) at %.0f ms:%s\n",
                                (now - lastTick) / 1e6, (cpu - lastCpu) / 1e6, now / 1e6,
                                qPrintable(dispatches));
                }
            }
            lastTick = now;
            lastCpu = cpu;
            if (!streaming)
                return;
            const ChatMessage &answer = session->messages.at(1);
            if (arrived < 0 && answer.text.size() == whole.size())
                arrived = now;
            auto *row = qobject_cast<AssistantMessageRow *>(
                window.view.scrollView()->messageRow(answer.id));
            if (arrived >= 0 && displayed < 0 && row
                && row->markdownView()->text().startsWith(whole))
                displayed = now;
        });

        controller.setDraft(u"Explain the method, with code and the formulas."_s);
        controller.sendMessage();
        timedApplication()->startRecording();
        watchdog.start();
        const bool done
            = spinUntil([&] { return !controller.isLoading() && displayed >= 0; }, 120000);
        watchdog.stop();
        timedApplication()->stopRecording();
        if (!done)
            state.SkipWithError("the answer did not finish");
        state.SetIterationTime(clock.nsecsElapsed() / 1e9);
        state.counters["worst_stall_ms"] = worstGap / 1e6 - 1;
        state.counters["worst_stall_cpu_ms"] = worstBusyGap / 1e6;
        state.counters["stalls_over_16ms"] = longStalls;
        state.counters["last_piece_to_view_ms"] = (displayed - arrived) / 1e6;
        state.counters["math_views"] = double(window.view.findChildren<MathBlockView *>().size());
        std::sort(stalls.begin(), stalls.end());
        if (!stalls.empty())
            state.counters["median_long_stall_ms"] = stalls.at(stalls.size() / 2) / 1e6;
        // Which dispatches of the main thread made the longest stall (4 ms and longer, with
        // those sent from inside them indented).
        fprintf(stderr, "longest stall (math %d, thinking %d):%s\n", int(state.range(1)),
                int(thinking), qPrintable(worstStallDispatches));
    }
}

BENCHMARK(BM_StreamAnswer)
    ->ArgNames({"pieces", "math", "thinking"})
    ->Args({4000, 1, 0})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
