#pragma once

#include "onboarding/onboardingpage.h"

class InkTextField;

// Step 1: the name velm greets the user with.
class OnboardingNamePage : public OnboardingPage
{
    Q_OBJECT

public:
    explicit OnboardingNamePage(OnboardingModel &model, QWidget *parent = nullptr);

    InkTextField *field() const { return m_field; }

    void refresh() override;
    QWidget *focusField() const override;

private:
    InkTextField *m_field;
};
