#pragma once

#include "chat/settings.h"
#include "onboarding/onboardingdrafts.h"
#include "onboarding/onboardingmodel.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTemporaryDir>

// The first-run flow's settings and drafts in a throw-away directory, and its model over them.
struct OnboardingFixture
{
    OnboardingFixture()
        : settings(dir.filePath(QStringLiteral("velm.conf")), dir.filePath(QStringLiteral("data")))
        , drafts(draftsFile())
        , model(settings, drafts, network)
    { }

    QString draftsFile() const { return dir.filePath(QStringLiteral("onboarding.ini")); }
    void goTo(OnboardingStage stage) { drafts.setStageRaw(static_cast<int>(stage)); }

    // Runs a connection test to its end; false when it did not end in time.
    bool runLLMTest()
    {
        QSignalSpy finished(&model, &OnboardingModel::llmTestFinished);
        model.testLLM();
        return finished.count() == 1 || finished.wait(testTimeoutMs);
    }
    bool runSearchTest()
    {
        QSignalSpy finished(&model, &OnboardingModel::searchTestFinished);
        model.testSearxng();
        return finished.count() == 1 || finished.wait(testTimeoutMs);
    }

    static constexpr int testTimeoutMs = 15000;

    QTemporaryDir dir;
    QNetworkAccessManager network;
    Settings settings;
    OnboardingDrafts drafts;
    OnboardingModel model;
};
