#include "quickask/quickasklog.h"

Q_LOGGING_CATEGORY(lcQuickAsk, "velm.quickask", QtWarningMsg)
