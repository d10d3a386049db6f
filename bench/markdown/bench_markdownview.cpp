#include "markdown/markdownparser.h"
#include "markdown/view/markdownview.h"
#include "markdown/view/mathblockview.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollArea>
#include <QString>

#include <chrono>

#include <unistd.h>

using namespace Qt::StringLiterals;

// The main-thread cost of one streaming update of a long message: the answer grows by one
// piece, MarkdownView parses it again, keeps the unchanged blocks and updates the changed
// ones, then Qt lays out and paints. At 20 updates a second one update may take 50 ms of
// main-thread time in total, and much less to leave room for everything else.

namespace {

// A long answer: headings, paragraphs with inline math, lists, display math, code,
// quotes. Sections differ in their numbers.
QString longAnswer(qsizetype targetSize)
{
    QString answer;
    for (int i = 0; answer.size() < targetSize; ++i) {
        const QString n = QString::number(i);
        answer += u"## Step "_s + n + u": bounding the error\n\n"_s;
        answer += u"We look at the residual $r_{"_s + n
            + u"}$ after each step; the **key idea** is that `step()` keeps it below the "
              "tolerance, as the [notes](https://example.org/notes/"_s
            + n
            + u") explain. A license costs $5 and a seat $10, which is not math. The helper "
              "my_helper_name runs *once* per iteration, and the loop stops early when the "
              "estimate settles.\n\n"_s;
        answer += u"1. Start from zero.\n2. Update the estimate with `update("_s + n
            + u")`.\n   - check the residual\n   - stop when it is **small**\n\n"_s;
        answer += u"```python\ndef step_"_s + n
            + u"(x, h=0.1):\n    # one explicit step\n    return x - h * grad(x)\n```\n\n"_s;
        answer += u"> Note "_s + n + u": the constant depends on the norm.\n\n"_s;
        if (i % 4 == 0)
            answer += u"$$\n\\sum_{k=1}^{n} k^{"_s + n + u"} \\le C n^{"_s + n + u"}\n$$\n\n"_s;
    }
    return answer;
}

const QString &answerOfSize(qsizetype size)
{
    static QHash<qsizetype, QString> answers;
    auto it = answers.find(size);
    if (it == answers.end())
        it = answers.insert(size, longAnswer(size));
    return *it;
}

// Streams the last tenth of the answer in pieces of six characters, over and over.
class Stream
{
public:
    explicit Stream(const QString &answer)
        : m_answer(answer)
        , m_start(answer.size() * 9 / 10)
        , m_end(m_start)
    { }

    bool atEnd() const { return m_end >= m_answer.size(); }
    void rewind() { m_end = m_start; }
    QString next()
    {
        m_end = std::min(m_end + 6, m_answer.size());
        return m_answer.left(m_end);
    }
    QString current() const { return m_answer.left(m_end); }

private:
    const QString &m_answer;
    qsizetype m_start;
    qsizetype m_end;
};

// Parse only: what every update costs at least.
void BM_StreamingParse(benchmark::State &state)
{
    Stream stream(answerOfSize(state.range(0) * 1024));
    for (auto _ : state) {
        if (stream.atEnd())
            stream.rewind();
        QList<MDBlock> blocks = MarkdownParser::parseBlocks(stream.next());
        benchmark::DoNotOptimize(blocks);
    }
}
BENCHMARK(BM_StreamingParse)->Arg(8)->Arg(32)->Unit(benchmark::kMicrosecond);

// Parse, compare and rebuild the changed blocks, with the view not on screen.
void BM_StreamingUpdate(benchmark::State &state)
{
    Stream stream(answerOfSize(state.range(0) * 1024));
    MarkdownView view;
    view.resize(700, 400);
    view.setText(stream.current());
    for (auto _ : state) {
        if (stream.atEnd()) {
            state.PauseTiming();
            stream.rewind();
            view.setText(stream.current());
            state.ResumeTiming();
        }
        view.setText(stream.next());
    }
    state.counters["blocks"] = double(view.blockCount());
}
BENCHMARK(BM_StreamingUpdate)->Arg(8)->Arg(32)->Unit(benchmark::kMicrosecond);

// The whole update as the user sees it: the view in a scroll area on screen, with its math
// pages, laid out and painted after each piece.
void BM_StreamingUpdateShown(benchmark::State &state)
{
    using Clock = std::chrono::steady_clock;
    Stream stream(answerOfSize(state.range(0) * 1024));
    QScrollArea window;
    auto *view = new MarkdownView;
    window.setWidget(view);
    window.setWidgetResizable(true);
    window.resize(760, 900);
    view->setText(stream.current());
    window.show();
    for (int i = 0; i < 50; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);

    double worst = 0;
    for (auto _ : state) {
        if (stream.atEnd()) {
            stream.rewind();
            view->setText(stream.current());
            QCoreApplication::processEvents();
        }
        const auto start = Clock::now();
        view->setText(stream.next());
        QCoreApplication::processEvents(); // layout, paint
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        worst = std::max(worst, seconds);
        state.SetIterationTime(seconds);
    }
    state.counters["blocks"] = double(view->blockCount());
    state.counters["math_views"] = double(view->findChildren<MathBlockView *>().size());
    state.counters["worst_ms"] = worst * 1e3;
}
BENCHMARK(BM_StreamingUpdateShown)
    ->Arg(8)
    ->Arg(32)
    ->UseManualTime()
    ->Iterations(400)
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
