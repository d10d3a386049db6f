#pragma once

#include "onboarding/onboardingpage.h"

#include <QList>

class ConfettiLayer;
class KbdKey;
class OnboardingCheckmark;

// The last stage: the check popping in, "You're all set.", the Quick Ask chord as key caps,
// and the confetti.
class OnboardingDonePage : public OnboardingPage
{
    Q_OBJECT

public:
    explicit OnboardingDonePage(OnboardingModel &model, QWidget *parent = nullptr);

    OnboardingCheckmark *checkmark() const { return m_checkmark; }
    ConfettiLayer *confetti() const { return m_confetti; }
    const QList<KbdKey *> &keys() const { return m_keys; }

    void stageShown() override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void placeConfetti();
    void colorCaption();

    OnboardingCheckmark *m_checkmark;
    ConfettiLayer *m_confetti;
    QList<KbdKey *> m_keys;
    QLabel *m_keysCaption;
};
