#pragma once

#include "cli/command.h"

// `velm config [KEY [VALUE]]`, `velm config --unset KEY`: reads and writes the
// preferences of the settings window from a terminal. A running desktop app shows a change
// at once (it watches the file). Chats and onboarding drafts are out of reach.
namespace ConfigCommand {

Command command();

QCoro::Task<int> run(QStringList arguments, CommandContext context);

} // namespace ConfigCommand
