#include "markdown/view/markdownview.h"
#include "markdown/view/mathblockview.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScrollArea>
#include <QTextStream>
#include <QThread>

#include <cstdio>
#include <memory>
#include <optional>

#include <unistd.h>

using namespace Qt::StringLiterals;

// Process memory of a message view showing 0, 1, 10 and 20 math blocks, each count measured
// in a fresh process: the process and any helper it started (none: formulas are drawn in
// the app's own). Proportional set size (PSS) shares pages between processes fairly, so the
// sum is what the machine really pays.
//
//   bench_mathmemory            runs the four measurements and prints a table
//   bench_mathmemory --blocks N measures one count and prints "pss_kb rss_kb processes"

namespace {

struct Memory
{
    qint64 pssKb = 0;
    qint64 rssKb = 0;
};

Memory memoryOf(qint64 pid)
{
    Memory memory;
    QFile file(u"/proc/%1/smaps_rollup"_s.arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return memory;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 2)
            continue;
        if (fields[0] == "Pss:")
            memory.pssKb = fields[1].toLongLong();
        else if (fields[0] == "Rss:")
            memory.rssKb = fields[1].toLongLong();
    }
    return memory;
}

QList<qint64> childrenOf(qint64 pid)
{
    QList<qint64> children;
    const QStringList entries = QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool ok = false;
        const qint64 candidate = entry.toLongLong(&ok);
        if (!ok)
            continue;
        QFile stat(u"/proc/%1/stat"_s.arg(candidate));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // pid (comm) state ppid ...; comm may hold spaces, so read after its ')'.
        const QByteArray text = stat.readAll();
        const QList<QByteArray> rest = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (rest.size() > 1 && rest[1].toLongLong() == pid)
            children.append(candidate);
    }
    return children;
}

QString message(int formulas)
{
    QString text = u"# Results\n\nSome text before the formulas, with **bold** and `code`.\n\n"_s;
    for (int i = 0; i < formulas; ++i)
        text += u"$$\n\\int_0^{"_s + QString::number(i + 1) + u"} x^2 \\, dx = \\frac{"_s
            + QString::number((i + 1) * (i + 1) * (i + 1))
            + u"}{3}\n$$\n\nAnd a paragraph after it.\n\n"_s;
    return text;
}

int measure(int argc, char **argv, int formulas)
{
    QApplication app(argc, argv);
    QScrollArea window;
    auto *view = new MarkdownView;
    view->setText(message(formulas));
    window.setWidget(view);
    window.setWidgetResizable(true);
    window.resize(760, 900);
    window.show();

    QElapsedTimer timer;
    timer.start();
    const QList<MathBlockView *> blocks = view->findChildren<MathBlockView *>();
    for (MathBlockView *block : blocks) {
        while (!block->isTypeset() && timer.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    // Settle: fonts, heights, the first paint of every formula.
    while (timer.elapsed() < 3000 + 100 * formulas)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

    const qint64 self = QCoreApplication::applicationPid();
    Memory total = memoryOf(self);
    const QList<qint64> children = childrenOf(self);
    for (qint64 child : children) {
        const Memory memory = memoryOf(child);
        total.pssKb += memory.pssKb;
        total.rssKb += memory.rssKb;
    }
    std::printf("%lld %lld %lld %lld\n", static_cast<long long>(total.pssKb),
                static_cast<long long>(total.rssKb), static_cast<long long>(children.size()),
                static_cast<long long>(memoryOf(self).pssKb));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && qstrcmp(argv[1], "--blocks") == 0)
        return measure(argc, argv, std::atoi(argv[2]));

    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    out << "math blocks | total PSS (MB) | app PSS (MB) | helper processes | total RSS (MB)\n";
    for (const int formulas : {0, 1, 10, 20}) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {u"--blocks"_s, QString::number(formulas)});
        if (!child.waitForFinished(180000)) {
            out << formulas << " | (timed out)\n";
            continue;
        }
        const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
        if (fields.size() < 4) {
            out << formulas << " | (failed)\n";
            continue;
        }
        out << qSetFieldWidth(11) << formulas << qSetFieldWidth(0) << " | "
            << QString::number(fields[0].toDouble() / 1024, 'f', 1) << " | "
            << QString::number(fields[3].toDouble() / 1024, 'f', 1) << " | " << fields[2] << " | "
            << QString::number(fields[1].toDouble() / 1024, 'f', 1) << "\n";
        out.flush();
    }
    return 0;
}
