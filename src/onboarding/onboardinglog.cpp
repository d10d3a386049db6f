#include "onboarding/onboardinglog.h"

Q_LOGGING_CATEGORY(lcOnboarding, "velm.onboarding", QtWarningMsg)
