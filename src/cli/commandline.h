#pragma once

#include "cli/command.h"

#include <QList>

// The terminal side of velm: `velm <command> …` runs one command on a QCoreApplication,
// without touching any GUI code, and exits.
namespace CommandLine {

// Every command, in the order the usage text lists them.
const QList<Command> &commands();

// Whether argv asks for the command line (a command, a mistyped one, or help) rather than
// the desktop app. Options such as Qt's "-platform" still go to the desktop app.
bool isCommand(int argc, char **argv);

QString usage();

// Runs the command on a QCoreApplication and returns the process exit code: 0 success,
// 1 the command failed, 2 wrong usage.
int run(int &argc, char **argv);

} // namespace CommandLine
