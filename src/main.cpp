#include "app/desktopapp.h"
#include "cli/commandline.h"

int main(int argc, char **argv)
{
    // Terminal commands run on a QCoreApplication and never touch GUI code, so they work
    // over ssh and in scripts without a display.
    if (CommandLine::isCommand(argc, argv))
        return CommandLine::run(argc, argv);
    return runDesktopApp(argc, argv);
}
