#include "markdown/markdownparser.h"

#include <benchmark/benchmark.h>
#include <md4c.h>

#include <QByteArray>
#include <QString>

#include <chrono>

using namespace Qt::StringLiterals;

namespace {

// A long model answer in the shapes models write: headings, paragraphs with inline math,
// emphasis, code and links, nested lists, fenced code, display math in both notations,
// quotes and dividers. Sections differ in their numbers so no two are the same.
QString realisticAnswer(qsizetype targetSize)
{
    QString answer;
    for (int i = 0; answer.size() < targetSize; ++i) {
        const QString n = QString::number(i);
        answer += u"## Section "_s + n + u": convergence of the series\n\n"_s;
        answer += u"We look at $x_{"_s + n + u"}$ and the bound \\(a^{"_s + n
            + u"} \\le C\\) for every step. The **key idea** is that `step()` keeps the "
              "error small, as the [notes](https://example.org/notes/"_s
            + n
            + u") explain; a license costs $5 and a seat $10.\n"
              "The helper my_helper_name is called *once* per iteration, and __init__ "
              "sets up the state.\n\n"_s;
        answer += u"1. Start from $\\alpha_{"_s + n
            + u"} = 0$.\n2. Update the estimate until it settles.\n"
              "   - check the residual with `norm(r)`\n"
              "   - stop when it is **below** $10^{-6}$\n"
              "3) Report the result.\n\n"_s;
        answer += u"$$\n\\sum_{k=1}^{n} k^{"_s + n + u"} \\approx \\frac{n^{"_s + n + u"+1}}{"_s + n
            + u"+1}\n$$\n\n"_s;
        answer += u"```python\ndef step_"_s + n
            + u"(x, h=0.1):\n    # one explicit step\n    return x - h * grad(x) ** "_s + n
            + u"\n```\n\n"_s;
        answer += u"> **Note "_s + n
            + u":** the constant depends on the norm.\n> See the proof above.\n\n"_s;
        answer += u"\\[ E_{"_s + n + u"} = \\int_0^1 f(t)\\,dt \\]\n\n---\n\n"_s;
    }
    return answer;
}

const QString &answer100k()
{
    static const QString text = realisticAnswer(100 * 1024);
    return text;
}

int ignoreBlock(MD_BLOCKTYPE, void *, void *)
{
    return 0;
}
int ignoreSpan(MD_SPANTYPE, void *, void *)
{
    return 0;
}
int ignoreText(MD_TEXTTYPE, const MD_CHAR *, MD_SIZE, void *)
{
    return 0;
}

int md4cParse(const QByteArray &utf8)
{
    MD_PARSER parser{};
    parser.flags = MD_FLAG_LATEXMATHSPANS;
    parser.enter_block = ignoreBlock;
    parser.leave_block = ignoreBlock;
    parser.enter_span = ignoreSpan;
    parser.leave_span = ignoreSpan;
    parser.text = ignoreText;
    return md_parse(utf8.constData(), MD_SIZE(utf8.size()), &parser, nullptr);
}

void BM_ParseBlocks(benchmark::State &state)
{
    const QString &text = answer100k();
    for (auto _ : state) {
        QList<MDBlock> blocks = MarkdownParser::parseBlocks(text);
        benchmark::DoNotOptimize(blocks);
    }
    state.SetBytesProcessed(state.iterations() * text.toUtf8().size());
    state.counters["blocks"] = double(MarkdownParser::parseBlocks(text).size());
}
BENCHMARK(BM_ParseBlocks)->Unit(benchmark::kMicrosecond);

void BM_Md4cParse(benchmark::State &state)
{
    const QByteArray utf8 = answer100k().toUtf8();
    for (auto _ : state)
        benchmark::DoNotOptimize(md4cParse(utf8));
    state.SetBytesProcessed(state.iterations() * utf8.size());
}
BENCHMARK(BM_Md4cParse)->Unit(benchmark::kMicrosecond);

// Both parsers in the same iterations, so that the ratio is taken under the same load.
void BM_ParseVsMd4c(benchmark::State &state)
{
    using Clock = std::chrono::steady_clock;
    const QString &text = answer100k();
    const QByteArray utf8 = text.toUtf8();
    double velmSeconds = 0;
    double md4cSeconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        QList<MDBlock> blocks = MarkdownParser::parseBlocks(text);
        benchmark::DoNotOptimize(blocks);
        const auto middle = Clock::now();
        benchmark::DoNotOptimize(md4cParse(utf8));
        const auto end = Clock::now();
        const double velm = std::chrono::duration<double>(middle - start).count();
        velmSeconds += velm;
        md4cSeconds += std::chrono::duration<double>(end - middle).count();
        state.SetIterationTime(velm);
    }
    state.counters["md4c_us"] = md4cSeconds * 1e6 / double(state.iterations());
    state.counters["ratio_vs_md4c"] = velmSeconds / md4cSeconds;
}
BENCHMARK(BM_ParseVsMd4c)->UseManualTime()->Unit(benchmark::kMicrosecond);

// What a streaming view does on every pulse besides parsing: compare the new blocks with
// those it shows.
void BM_CompareBlocks(benchmark::State &state)
{
    const QList<MDBlock> shown = MarkdownParser::parseBlocks(answer100k());
    const QList<MDBlock> parsed = MarkdownParser::parseBlocks(answer100k());
    for (auto _ : state) {
        qsizetype same = 0;
        for (qsizetype i = 0; i < parsed.size(); ++i)
            same += parsed[i] == shown[i];
        benchmark::DoNotOptimize(same);
    }
}
BENCHMARK(BM_CompareBlocks)->Unit(benchmark::kMicrosecond);

// Openers that never close, marks around delimiters and long non-ASCII numbers: the
// parser stays linear.
void BM_ParseHostile(benchmark::State &state)
{
    QString text;
    while (text.size() < 100 * 1024) {
        text += u"[a]( **b $c \\(d `e _f e\u0301*g \u4E2D\u6587*h "_s;
        text += u"\u0661\u0662\u0663"_s.repeated(20) + u". item\n"_s;
    }
    for (auto _ : state) {
        QList<MDBlock> blocks = MarkdownParser::parseBlocks(text);
        benchmark::DoNotOptimize(blocks);
    }
    state.SetBytesProcessed(state.iterations() * text.toUtf8().size());
}
BENCHMARK(BM_ParseHostile)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
