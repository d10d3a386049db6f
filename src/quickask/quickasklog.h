#pragma once

#include <QLoggingCategory>

// What the Quick Ask bar's windows do ("velm.quickask"); off unless QT_LOGGING_RULES turns
// on its info messages.
Q_DECLARE_LOGGING_CATEGORY(lcQuickAsk)
