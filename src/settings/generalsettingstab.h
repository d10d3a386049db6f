#pragma once

#include "chat/autostartentry.h"

#include <QList>
#include <QWidget>

class AppEvents;
class PlaceholderTextEditor;
class QMessageBox;
class Settings;
class SettingsButton;
class SettingsSection;
class ToggleSwitch;
class SettingsTextField;
class StatusLabel;
class SuggestionChip;

// The "General" tab: the user's name, the quick styles and custom instructions, starting at
// login, and the reset of all data. Every control writes its setting at once and shows
// changes made elsewhere as they happen.
class GeneralSettingsTab : public QWidget
{
    Q_OBJECT

public:
    GeneralSettingsTab(Settings &settings, AppEvents &events, QWidget *parent = nullptr);

    SettingsTextField *nameField() const { return m_nameField; }
    const QList<SuggestionChip *> &chips() const { return m_chips; }
    PlaceholderTextEditor *instructionsEditor() const { return m_instructions; }
    ToggleSwitch *startAtLoginSwitch() const { return m_startAtLogin; }
    StatusLabel *startAtLoginStatus() const { return m_startAtLoginStatus; }
    SettingsButton *resetButton() const { return m_resetButton; }
    QList<SettingsSection *> sections() const;

    // The login entry the switch shows and changes (the user's own unless replaced).
    AutostartEntry autostartEntry() const { return m_autostart; }
    void setAutostartEntry(const AutostartEntry &entry);

    // The reset alert with its "Cancel" and "Reset" buttons, not yet shown.
    static QMessageBox *createResetAlert(QWidget *parent);

public Q_SLOTS:
    // Flips one quick style in "activePromptSuggestions".
    void toggleSuggestion(const QString &id);
    // Asks with the reset alert; "Reset" runs resetAllData().
    void confirmReset();
    // Deletes all data, closes the settings window and then brings up the main window,
    // which now shows onboarding.
    void resetAllData();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void settingChanged(const QString &key);
    void showName();
    void showInstructions();
    void showSuggestions();
    void showStartAtLogin();
    void setStartAtLogin(bool enabled);

    Settings &m_settings;
    AppEvents &m_events;
    AutostartEntry m_autostart;
    SettingsSection *m_identity = nullptr;
    SettingsSection *m_personality = nullptr;
    SettingsSection *m_startup = nullptr;
    SettingsSection *m_dangerZone = nullptr;
    SettingsTextField *m_nameField = nullptr;
    QList<SuggestionChip *> m_chips;
    PlaceholderTextEditor *m_instructions = nullptr;
    ToggleSwitch *m_startAtLogin = nullptr;
    StatusLabel *m_startAtLoginStatus = nullptr;
    SettingsButton *m_resetButton = nullptr;
};
