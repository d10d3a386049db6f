#include <QCoreApplication>
#include <QFile>
#include <QJSEngine>
#include <QLoggingCategory>
#include <cstdio>
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("qt.qml.compiler=false"));
    QJSEngine engine;
    QFile file(QStringLiteral("/usr/share/javascript/katex/katex.min.js"));
    file.open(QIODevice::ReadOnly);
    engine.evaluate(QStringLiteral("var module = {exports: {}}; var exports = module.exports;"));
    engine.evaluate(QString::fromUtf8(file.readAll()));
    QJSValue html = engine.evaluate(QStringLiteral(
        "(function(tex) { try { return module.exports.renderToString(tex, {output: 'html', "
        "throwOnError: true}); } catch (e) { return 'ERR ' + e.message; } })"));
    printf("%s\n", qPrintable(html.call({QString::fromUtf8(argv[1])}).toString()));
}
