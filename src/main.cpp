#include "cli/commandline.h"
#include "shell/desktopapp.h"

#include <QString>
#include <QStringList>

int main(int argc, char **argv)
{
    // Terminal commands run on a QCoreApplication and never touch GUI code, so they work
    // over ssh and in scripts without a display.
    if (CommandLine::isCommand(argc, argv))
        return CommandLine::run(argc, argv);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return runDesktopApp(argc, argv, DesktopOptions::fromArguments(arguments));
}
