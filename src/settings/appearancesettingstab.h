#pragma once

#include <QList>
#include <QWidget>

class Settings;
class SettingsSection;
class ToggleSwitch;
class ThemeChoiceCard;

// The "Appearance" tab: the three theme cards writing "appTheme", and whether Quick Ask
// follows the system's appearance ("quickAskFollowsSystemTheme").
class AppearanceSettingsTab : public QWidget
{
    Q_OBJECT

public:
    explicit AppearanceSettingsTab(Settings &settings, QWidget *parent = nullptr);

    // Dark, light, system.
    const QList<ThemeChoiceCard *> &themeChoices() const { return m_choices; }
    ToggleSwitch *quickAskSwitch() const { return m_quickAskSwitch; }
    QList<SettingsSection *> sections() const { return {m_themeSection, m_quickAskSection}; }

private:
    void settingChanged(const QString &key);
    void showTheme();
    void showQuickAsk();

    Settings &m_settings;
    SettingsSection *m_themeSection = nullptr;
    SettingsSection *m_quickAskSection = nullptr;
    QList<ThemeChoiceCard *> m_choices;
    ToggleSwitch *m_quickAskSwitch = nullptr;
};
