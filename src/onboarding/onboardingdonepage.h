#pragma once

#include "onboarding/onboardingpage.h"

class ConfettiLayer;
class OnboardingCheckmark;

// The last stage: the check popping in, "You're all set.", the Quick Ask chord as key caps,
// and the confetti.
class OnboardingDonePage : public OnboardingPage
{
    Q_OBJECT

public:
    explicit OnboardingDonePage(OnboardingModel &model, QWidget *parent = nullptr);

    void stageShown() override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void placeConfetti();
    void colorCaption();

    OnboardingCheckmark *m_checkmark;
    ConfettiLayer *m_confetti;
    QLabel *m_keysCaption;
};
