#include "onboarding/onboardingstage.h"

#include <QCoreApplication>

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
        return QCoreApplication::translate("OnboardingStage", "step 1 of 4");
    case OnboardingStage::Llm:
        return QCoreApplication::translate("OnboardingStage", "step 2 of 4");
    case OnboardingStage::Search:
        return QCoreApplication::translate("OnboardingStage", "step 3 of 4 · optional");
    case OnboardingStage::Theme:
        return QCoreApplication::translate("OnboardingStage", "step 4 of 4");
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
        return QCoreApplication::translate("OnboardingStage", "What do we call you?");
    case OnboardingStage::Llm:
        return QCoreApplication::translate("OnboardingStage", "Connect your model");
    case OnboardingStage::Search:
        return QCoreApplication::translate("OnboardingStage", "Add web search");
    case OnboardingStage::Theme:
        return QCoreApplication::translate("OnboardingStage", "Choose your theme");
    case OnboardingStage::Done:
        return QCoreApplication::translate("OnboardingStage", "You're all set.");
    }
    return QString();
}

QString onboardingSubtitle(OnboardingStage stage)
{
    switch (stage) {
    case OnboardingStage::Welcome:
        return QCoreApplication::translate(
            "OnboardingStage",
            "local-first AI, always at your fingertips.\nlet's get you set up in about a minute.");
    case OnboardingStage::Name:
        return QCoreApplication::translate("OnboardingStage",
                                           "Used to personalize your conversations.");
    case OnboardingStage::Llm:
        return QCoreApplication::translate("OnboardingStage", "Pick your local LLM provider.");
    case OnboardingStage::Search:
        return QCoreApplication::translate("OnboardingStage",
                                           "Connect a SearXNG instance for live results.");
    case OnboardingStage::Theme:
        return QCoreApplication::translate(
            "OnboardingStage", "Dark is recommended for velm's focused, low-glare workspace.");
    case OnboardingStage::Done:
        return QCoreApplication::translate("OnboardingStage", "velm is ready to think with you.");
    }
    return QString();
}
