#include "cli/commandline.h"

#include <QCoreApplication>
#include <QTextStream>

namespace CommandLine {

namespace {
const QStringList &commands()
{
    static const QStringList names{};
    return names;
}
} // namespace

bool isCommand(int argc, char **argv)
{
    return argc > 1 && commands().contains(QString::fromLocal8Bit(argv[1]));
}

int run(int &argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velm"));
    QTextStream(stderr) << "velm: unknown command\n";
    return 2;
}

} // namespace CommandLine
