#include "markdown/view/markdownview.h"
#include "markdown/view/mathblockview.h"
#include "math/katextypesetter.h"
#include "math/mathbox.h"
#include "math/mathfonts.h"
#include "math/mathtypesetter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTextStream>

#include <algorithm>

using namespace Qt::StringLiterals;

// What formulas cost in time:
//
//   bench_math              both tables below
//   bench_math --first      one fresh process: the first formula of a session, from the
//                           answer piece that completes it to its picture painted, as an
//                           answer streams (the message's view has been there for 300 ms, as
//                           the words before the formula stream); prints the milliseconds
//
// The corpus table: per formula of tests/data/math/corpus.tsv on this thread, KaTeX in
// QJSEngine, the layout of its output, and the painting at ratio 2; median, 90th
// percentile and worst.

namespace {

qint64 rssKb()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

double percentile(QList<double> values, double share)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values.at(std::min<qsizetype>(values.size() - 1, qsizetype(share * values.size())));
}

// Spins the loop until `done` or 10 s.
template<typename Predicate>
bool spinUntil(Predicate done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > 10000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

// From setText() with the completed formula to the formula typeset and its view painted.
int firstFormula(int argc, char **argv)
{
    QApplication app(argc, argv);
    MarkdownView view;
    view.resize(700, 300);
    view.show();
    view.setText(u"The square of x is"_s);
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QElapsedTimer clock;
    clock.start();
    view.setText(u"The square of x is\n\n$$x^2 + \\frac{1}{2}$$"_s);
    auto *formula = view.findChild<MathBlockView *>();
    if (!formula || !spinUntil([&] { return formula->isTypeset(); }))
        return 1;
    formula->repaint();
    std::printf("%.1f\n", double(clock.nsecsElapsed()) / 1e6);
    return 0;
}

int corpus()
{
    QFile script(u":/katex/katex.min.js"_s);
    QFile corpus(QStringLiteral(VELM_MATH_CORPUS));
    if (!script.open(QIODevice::ReadOnly) || !corpus.open(QIODevice::ReadOnly | QIODevice::Text))
        return 1;
    MathFonts::registerEmbedded();
    QElapsedTimer load;
    load.start();
    const KatexTypesetter katex(QString::fromUtf8(script.readAll()));
    const double loadMs = double(load.nsecsElapsed()) / 1e6;
    QList<double> typeset, layout, paint, total;
    // Every box kept, as the typesetter keeps them, to weigh them.
    QList<MathBox> kept;
    qsizetype items = 0;
    const qint64 rssBefore = rssKb();
    QImage canvas(1600, 400, QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(2);
    QTextStream lines(&corpus);
    while (!lines.atEnd()) {
        const QStringList columns = lines.readLine().split(u'\t');
        if (columns.size() != 3 || columns.at(0).startsWith(u'#'))
            continue;
        const bool display = columns.at(1) == u"display"_s;
        QElapsedTimer clock;
        clock.start();
        const KatexTypesetter::Result result = katex.typeset(columns.at(2), display);
        const qint64 typesetNs = clock.nsecsElapsed();
        if (!result.error.isEmpty())
            continue;
        const MathBox box = MathBox::fromKatexHtml(result.html, (display ? 18 : 15) * 1.03);
        const qint64 layoutNs = clock.nsecsElapsed();
        {
            QPainter painter(&canvas);
            box.paint(painter, QPointF(10, 100), Qt::black);
        }
        const qint64 paintNs = clock.nsecsElapsed();
        kept.append(box);
        items += box.itemCount();
        typeset.append(double(typesetNs) / 1e6);
        layout.append(double(layoutNs - typesetNs) / 1e6);
        paint.append(double(paintNs - layoutNs) / 1e6);
        total.append(double(paintNs) / 1e6);
    }
    QTextStream out(stdout);
    out << "KaTeX loaded in QJSEngine in " << QString::number(loadMs, 'f', 1) << " ms; "
        << typeset.size() << " formulas\n";
    out << "per formula (ms) | median | 90th percentile | worst\n";
    const auto row = [&](const char *name, const QList<double> &values) {
        out << name << " | " << QString::number(percentile(values, 0.5), 'f', 2) << " | "
            << QString::number(percentile(values, 0.9), 'f', 2) << " | "
            << QString::number(percentile(values, 1), 'f', 2) << "\n";
    };
    row("KaTeX", typeset);
    row("layout", layout);
    row("paint", paint);
    row("all three", total);
    const qint64 keptKb = rssKb() - rssBefore;
    out << "kept: " << kept.size() << " formulas, " << items << " items, about "
        << (items > 0 ? keptKb * 1024 / items : 0) << " bytes an item (RSS grew " << keptKb / 1024.0
        << " MB while typesetting, KaTeX's own heap included)\n";
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 2 && qstrcmp(argv[1], "--first") == 0)
        return firstFormula(argc, argv);

    QApplication app(argc, argv);
    if (corpus() != 0)
        return 1;
    // Each in a fresh process: the first formula of a session is the one that waits.
    QList<double> firsts;
    for (int run = 0; run < 5; ++run) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {u"--first"_s});
        if (child.waitForFinished(60000) && child.exitCode() == 0)
            firsts.append(child.readAllStandardOutput().trimmed().toDouble());
    }
    QTextStream out(stdout);
    out << "the first formula of a session, completed 300 ms after its message's view was made,"
           " to its picture (ms), 5 fresh processes | median | worst\n"
        << "native | " << QString::number(percentile(firsts, 0.5), 'f', 1) << " | "
        << QString::number(percentile(firsts, 1), 'f', 1) << "\n";
    return 0;
}
