#pragma once

#include "cli/commandcontext.h"

#include <QString>
#include <QStringList>

#include <QCoroTask>

// One terminal command (`velm models …`): its name, how it is called and what it does, for
// the usage text, and the coroutine that runs it with the arguments after its name and
// returns the exit code (0 success, 1 failure, 2 wrong usage).
struct Command
{
    using Runner = QCoro::Task<int> (*)(QStringList arguments, CommandContext context);

    QString name;
    QString synopsis;
    QString summary;
    Runner run = nullptr;
};
