#pragma once

#include "cli/command.h"

// `velm models [--server URL]`: the ids of the server's models, one a line, the one a chat
// would use marked with "* ".
namespace ModelsCommand {

Command command();

QCoro::Task<int> run(QStringList arguments, CommandContext context);

} // namespace ModelsCommand
