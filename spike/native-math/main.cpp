#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJSEngine>
#include <QJSValue>
#include <QLoggingCategory>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
static long rssKb()
{
    std::ifstream f("/proc/self/status");
    std::string l;
    while (std::getline(f, l))
        if (l.rfind("VmRSS:", 0) == 0)
            return std::stol(l.substr(6));
    return 0;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("qt.qml.compiler=false"));
    const long rss0 = rssKb();
    QElapsedTimer total;
    total.start();
    QJSEngine engine;
    QFile file(QStringLiteral("/usr/share/javascript/katex/katex.min.js"));
    file.open(QIODevice::ReadOnly);
    const QString source = QString::fromUtf8(file.readAll());
    // UMD wrapper: provide module/exports.
    engine.evaluate(QStringLiteral("var module = {exports: {}}; var exports = module.exports;"));
    QJSValue result = engine.evaluate(source, QStringLiteral("katex.min.js"));
    if (result.isError()) {
        printf("load error: %s\n", qPrintable(result.toString()));
        return 1;
    }
    QJSValue katex
        = engine.evaluate(QStringLiteral("module.exports.default || module.exports || katex"));
    printf("rss before %ld kB after load %ld kB\n", rss0, rssKb());
    printf("load %lld ms; has renderToString=%d\n", total.elapsed(),
           katex.property(QStringLiteral("renderToString")).isCallable());
    QJSValue render = engine.evaluate(QStringLiteral(
        "(function(tex, display) { try { return JSON.stringify(module.exports.__renderToHTMLTree ? "
        "module.exports.__renderToHTMLTree(tex, {displayMode: display, throwOnError: true}) : "
        "null); } catch (e) { return 'ERR ' + e.message; } })"));
    QJSValue html = engine.evaluate(
        QStringLiteral("(function(tex, display) { try { return module.exports.renderToString(tex, "
                       "{displayMode: display, output: 'html', throwOnError: true}); } catch (e) { "
                       "return 'ERR ' + e.message; } })"));
    const QStringList corpus{
        QStringLiteral("x^2"),
        QStringLiteral("\\frac{a+b}{c}"),
        QStringLiteral("\\sqrt{x^2+y^2}"),
        QStringLiteral("\\sum_{i=1}^{n} i = \\frac{n(n+1)}{2}"),
        QStringLiteral("\\int_0^\\infty e^{-x^2}\\,dx = \\frac{\\sqrt{\\pi}}{2}"),
        QStringLiteral("\\begin{pmatrix} a & b \\\\ c & d \\end{pmatrix}"),
        QStringLiteral("\\left( \\frac{1}{2} \\right)"),
        QStringLiteral("\\hat{x} + \\vec{v}"),
        QStringLiteral("\\text{if } x > 0"),
        QStringLiteral("\\color{red}{x}"),
        QStringLiteral("a \\xrightarrow{f} b"),
        QStringLiteral("\\begin{cases} 1 & x>0 \\\\ 0 & \\text{else}\\end{cases}"),
    };
    QList<qint64> times;
    QElapsedTimer t;
    for (int round = 0; round < 5; ++round) {
        for (const QString &tex : corpus) {
            t.start();
            const QString out = html.call({tex, false}).toString();
            times.append(t.nsecsElapsed() / 1000);
            if (round == 0 && times.size() == 1)
                printf("first formula %lld us\n", times.first());
        }
    }
    std::sort(times.begin(), times.end());
    printf("renderToString per formula: median %lld us, worst %lld us (n=%lld)\n",
           times.at(times.size() / 2), times.last(), qint64(times.size()));
    printf("rss after renders %ld kB\n", rssKb());
    return 0;
}
