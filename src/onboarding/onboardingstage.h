#pragma once

#include <QString>

// The steps of the first-run flow, in the order they are shown; the number is what the
// drafts store.
enum class OnboardingStage { Welcome = 0, Name, Llm, Search, Theme, Done };
inline constexpr int onboardingStageCount = 6;

// The stage of a stored number; anything outside 0…5 reads as Welcome.
OnboardingStage onboardingStageFromRaw(int raw);
// "welcome", "name", "llm", "search", "theme", "done", for logs.
QString onboardingStageName(OnboardingStage stage);

// The header of a stage: the step label ("step 1 of 4", empty for welcome and done), the
// title and the subtitle.
QString onboardingStepLabel(OnboardingStage stage);
QString onboardingTitle(OnboardingStage stage);
QString onboardingSubtitle(OnboardingStage stage);
