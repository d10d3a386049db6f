#pragma once

#include "cli/command.h"

// `velm import FILE`: brings back chats from an export (`velm export`, "Export All as
// JSON…") or from a copy of the stored list. Chats already stored are skipped, one stored
// under the same id with other content is added as a copy; nothing stored is changed. A file
// that cannot be read as a whole adds nothing. "-" reads standard input.
namespace ImportCommand {

Command command();

QCoro::Task<int> run(QStringList arguments, CommandContext context);

} // namespace ImportCommand
