#pragma once

#include "cli/command.h"

// `velm ask [--server URL] [--search auto|always|never] [--save] [--show-thinking] TEXT`: the
// Quick Ask bar in a terminal. The answer is printed as it streams in, followed by the web
// sources it used; a thinking model's thought only with --show-thinking, and on standard
// error;
// Ctrl-C stops it (exit code 130). With --save the exchange becomes a new chat, titled by
// the model, as the bar's "Save & continue in Chat" would make it.
namespace AskCommand {

Command command();

QCoro::Task<int> run(QStringList arguments, CommandContext context);

} // namespace AskCommand
