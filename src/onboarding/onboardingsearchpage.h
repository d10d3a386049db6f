#pragma once

#include "onboarding/onboardingpage.h"

class InkTextField;
class StatusBadge;

// Step 3, optional: a SearXNG instance's address, what it needs, and the outcome of its test.
class OnboardingSearchPage : public OnboardingPage
{
    Q_OBJECT

public:
    explicit OnboardingSearchPage(OnboardingModel &model, QWidget *parent = nullptr);

    InkTextField *field() const { return m_field; }
    StatusBadge *badge() const { return m_badge; }
    QLabel *hint() const { return m_hint; }

    void refresh() override;
    QWidget *focusField() const override;

protected:
    void changeEvent(QEvent *event) override;

private:
    void drawHintSymbol();

    InkTextField *m_field;
    StatusBadge *m_badge;
    QLabel *m_hintSymbol;
    QLabel *m_hint;
};
