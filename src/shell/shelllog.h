#pragma once

#include <QLoggingCategory>

// What the application shell does with its windows and launches ("velm.shell"); off unless
// QT_LOGGING_RULES turns on its info messages.
Q_DECLARE_LOGGING_CATEGORY(lcShell)
