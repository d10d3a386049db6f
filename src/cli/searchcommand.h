#pragma once

#include "cli/command.h"

// `velm search [--json] [--limit N] QUERY`: the chats that match QUERY, archived ones
// included, one a line (date, title, the text around the match) or as a JSON array. Like
// grep it ends with 1 when nothing matches and 2 on a wrong command line or an error.
namespace SearchCommand {

Command command();

QCoro::Task<int> run(QStringList arguments, CommandContext context);

} // namespace SearchCommand
