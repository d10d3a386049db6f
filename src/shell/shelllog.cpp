#include "shell/shelllog.h"

Q_LOGGING_CATEGORY(lcShell, "velm.shell", QtWarningMsg)
