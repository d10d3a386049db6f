#include "onboarding/onboardingstage.h"

using namespace Qt::StringLiterals;

OnboardingStage onboardingStageFromRaw(int raw)
{
    if (raw < 0 || raw >= onboardingStageCount)
        return OnboardingStage::Welcome;
    return static_cast<OnboardingStage>(raw);
}

QString onboardingStageName(OnboardingStage stage)
{
    switch (stage) {
    case OnboardingStage::Welcome:
        return u"welcome"_s;
    case OnboardingStage::Name:
        return u"name"_s;
    case OnboardingStage::Llm:
        return u"llm"_s;
    case OnboardingStage::Search:
        return u"search"_s;
    case OnboardingStage::Theme:
        return u"theme"_s;
    case OnboardingStage::Done:
        return u"done"_s;
    }
    return u"welcome"_s;
}

QString onboardingStepLabel(OnboardingStage stage)
{
    switch (stage) {
    case OnboardingStage::Name:
        return u"step 1 of 4"_s;
    case OnboardingStage::Llm:
        return u"step 2 of 4"_s;
    case OnboardingStage::Search:
        return u"step 3 of 4 · optional"_s;
    case OnboardingStage::Theme:
        return u"step 4 of 4"_s;
    case OnboardingStage::Welcome:
    case OnboardingStage::Done:
        break;
    }
    return QString();
}

QString onboardingTitle(OnboardingStage stage)
{
    switch (stage) {
    case OnboardingStage::Welcome:
        // The wordmark; the view adds the blinking "_".
        return u"velm"_s;
    case OnboardingStage::Name:
        return u"What do we call you?"_s;
    case OnboardingStage::Llm:
        return u"Connect your model"_s;
    case OnboardingStage::Search:
        return u"Add web search"_s;
    case OnboardingStage::Theme:
        return u"Choose your theme"_s;
    case OnboardingStage::Done:
        return u"You're all set."_s;
    }
    return QString();
}

QString onboardingSubtitle(OnboardingStage stage)
{
    switch (stage) {
    case OnboardingStage::Welcome:
        return u"local-first AI, always at your fingertips.\nlet's get you set up in about a minute."_s;
    case OnboardingStage::Name:
        return u"Used to personalize your conversations."_s;
    case OnboardingStage::Llm:
        return u"Pick your local LLM provider."_s;
    case OnboardingStage::Search:
        return u"Connect a SearXNG instance for live results."_s;
    case OnboardingStage::Theme:
        return u"Dark is recommended for velm's focused, low-glare workspace."_s;
    case OnboardingStage::Done:
        return u"velm is ready to think with you."_s;
    }
    return QString();
}
