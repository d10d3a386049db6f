#pragma once

#include "onboarding/onboardingpage.h"

class OnboardingWordmark;

// The first stage: the wordmark with its blinking cursor over the two-line greeting.
class OnboardingWelcomePage : public OnboardingPage
{
    Q_OBJECT

public:
    explicit OnboardingWelcomePage(OnboardingModel &model, QWidget *parent = nullptr);

    QLabel *subtitle() const { return m_subtitle; }

protected:
    void changeEvent(QEvent *event) override;

private:
    OnboardingWordmark *m_wordmark;
    QLabel *m_subtitle;
};
