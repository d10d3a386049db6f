#pragma once

#include "onboarding/onboardingpage.h"

#include <QList>

class InkTextField;
class ProviderChip;
class StatusBadge;

// Step 2: the provider chips, the model server's address and the outcome of its test.
class OnboardingLlmPage : public OnboardingPage
{
    Q_OBJECT

public:
    explicit OnboardingLlmPage(OnboardingModel &model, QWidget *parent = nullptr);

    const QList<ProviderChip *> &chips() const { return m_chips; }
    InkTextField *field() const { return m_field; }
    StatusBadge *badge() const { return m_badge; }

    void refresh() override;
    QWidget *focusField() const override;

private:
    QList<ProviderChip *> m_chips;
    InkTextField *m_field;
    StatusBadge *m_badge;
};
