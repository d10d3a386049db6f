#pragma once

#include "chat/settingskeys.h"
#include "search/searchmode.h"

#include <QString>

// The texts of the new-chat screen that depend on the time and the settings.
namespace NewChatLabels {

// "Good morning" (5 to 11 o'clock), "Good afternoon" (12 to 17) or "Good evening", followed
// by ", " and the trimmed name when there is one.
QString greeting(int hour, const QString &userName);

// "Search on", "Search off" or "Search auto". It takes the mode as the search itself reads
// the stored text, so the chip never claims a search that will not happen: a value that is
// none of the three searches never, and says so.
QString webSearchLabel(WebSearchMode mode);

} // namespace NewChatLabels
