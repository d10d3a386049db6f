#pragma once

#include "onboarding/onboardingpage.h"

#include <QList>

class ToggleSwitch;
class ThemeChoiceCard;
class Settings;

// Step 4: the three theme cards and whether Quick Ask always follows the system's theme.
class OnboardingThemePage : public OnboardingPage
{
    Q_OBJECT

public:
    // `settings` is only read: the choices go through the model.
    OnboardingThemePage(OnboardingModel &model, Settings &settings, QWidget *parent = nullptr);

    const QList<ThemeChoiceCard *> &choices() const { return m_choices; }
    ToggleSwitch *quickAskSwitch() const { return m_switch; }

    void refresh() override;

protected:
    void changeEvent(QEvent *event) override;

private:
    void colorLabels();

    Settings &m_settings;
    QList<ThemeChoiceCard *> m_choices;
    ToggleSwitch *m_switch;
    QLabel *m_switchLabel;
    QLabel *m_switchNote;
};
