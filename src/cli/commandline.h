#pragma once

#include <QStringList>
#include <optional>

namespace CommandLine {

// Whether argv names one of the terminal commands (`velm models`, …) rather than the desktop app.
bool isCommand(int argc, char **argv);

// Runs the command on a QCoreApplication and returns the process exit code.
int run(int &argc, char **argv);

} // namespace CommandLine
