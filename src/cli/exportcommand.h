#pragma once

#include "cli/command.h"

// `velm export FILE`: every chat, archived ones included, as the JSON file of the settings
// window's "Export All as JSON…". FILE is replaced in one step, so it never holds half an
// export; "-" writes to standard output.
namespace ExportCommand {

Command command();

QCoro::Task<int> run(QStringList arguments, CommandContext context);

} // namespace ExportCommand
