#pragma once

#include <QLoggingCategory>

// What the first-run flow shows and what its connection tests found ("velm.onboarding");
// off unless QT_LOGGING_RULES turns on its info messages.
Q_DECLARE_LOGGING_CATEGORY(lcOnboarding)
