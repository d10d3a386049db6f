#include "settings/generalsettingstab.h"

#include "chat/appdatareset.h"
#include "chat/appevents.h"
#include "chat/promptsuggestion.h"
#include "chat/settings.h"
#include "chat/settingskeys.h"
#include "settings/placeholdertexteditor.h"
#include "settings/settingsbutton.h"
#include "settings/settingssection.h"
#include "settings/settingstextfield.h"
#include "settings/statuslabel.h"
#include "settings/suggestionchip.h"
#include "widgets/toggleswitch.h"
#include "widgets/typestyles.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int chipColumns = 3;

QLabel *secondaryLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(u"settingsSecondary"_s);
    label->setTextFormat(Qt::PlainText);
    QFont font = TypeStyles::font(TypeStyle::Caption);
    font.setWeight(QFont::DemiBold);
    label->setFont(font);
    return label;
}

} // namespace

GeneralSettingsTab::GeneralSettingsTab(Settings &settings, AppEvents &events, QWidget *parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_events(events)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(18);

    m_identity = new SettingsSection(u"person.fill"_s, tr("Identity"), this);
    m_nameField = new SettingsTextField(tr("e.g. Alex"), 200, m_identity);
    m_nameField->setObjectName(u"userNameField"_s);
    m_identity->addRow(tr("Your Name"), m_nameField);
    m_identity->setFootnote(tr("When provided, the assistant will address you by name."));
    connect(m_nameField, &QLineEdit::textEdited, this,
            [this](const QString &text) { m_settings.setUserName(text); });
    layout->addWidget(m_identity);

    m_personality = new SettingsSection(u"wand.and.stars"_s, tr("Personality"), this);
    auto *personality = new QWidget(m_personality);
    auto *personalityLayout = new QVBoxLayout(personality);
    personalityLayout->setContentsMargins(0, 0, 0, 0);
    personalityLayout->setSpacing(8);
    personalityLayout->addWidget(secondaryLabel(tr("Quick styles"), personality));
    auto *chipGrid = new QGridLayout;
    chipGrid->setHorizontalSpacing(8);
    chipGrid->setVerticalSpacing(8);
    const QList<PromptSuggestion> &suggestions = PromptSuggestion::all();
    for (int i = 0; i < suggestions.size(); ++i) {
        auto *chip = new SuggestionChip(suggestions.at(i), personality);
        connect(chip, &SuggestionChip::clicked, this,
                [this, id = suggestions.at(i).id] { toggleSuggestion(id); });
        chipGrid->addWidget(chip, i / chipColumns, i % chipColumns);
        m_chips.append(chip);
    }
    personalityLayout->addLayout(chipGrid);
    personalityLayout->addSpacing(6);
    personalityLayout->addWidget(secondaryLabel(tr("Custom instructions"), personality));
    m_instructions = new PlaceholderTextEditor(tr("Additional instructions…"), personality);
    m_instructions->setObjectName(u"systemPromptEditor"_s);
    m_instructions->setAccessibleName(tr("Custom instructions"));
    connect(m_instructions, &PlaceholderTextEditor::textEdited, this,
            [this](const QString &text) { m_settings.setSystemPrompt(text); });
    personalityLayout->addWidget(m_instructions);
    m_personality->addWidget(personality);
    m_personality->setFootnote(tr("Quick styles and any custom text are combined and sent at the "
                                  "start of every conversation."));
    layout->addWidget(m_personality);

    m_startup = new SettingsSection(u"power"_s, tr("Startup"), this);
    auto *startup = new QWidget(m_startup);
    auto *startupLayout = new QVBoxLayout(startup);
    startupLayout->setContentsMargins(0, 0, 0, 0);
    startupLayout->setSpacing(6);
    auto *switchRow = new QHBoxLayout;
    auto *switchLabel = new QLabel(tr("Start velm at login"), startup);
    switchLabel->setTextFormat(Qt::PlainText);
    switchLabel->setFont(TypeStyles::font(TypeStyle::Label));
    m_startAtLogin = new ToggleSwitch(startup);
    m_startAtLogin->setObjectName(u"startAtLoginSwitch"_s);
    m_startAtLogin->setAccessibleName(switchLabel->text());
    switchLabel->setBuddy(m_startAtLogin);
    switchRow->addWidget(switchLabel);
    switchRow->addStretch();
    switchRow->addWidget(m_startAtLogin);
    startupLayout->addLayout(switchRow);
    m_startAtLoginStatus = new StatusLabel(startup);
    startupLayout->addWidget(m_startAtLoginStatus);
    m_startup->addWidget(startup);
    m_startup->setFootnote(tr("velm starts hidden in the tray, ready for the Quick Ask chord."));
    connect(m_startAtLogin, &ToggleSwitch::clicked, this, &GeneralSettingsTab::setStartAtLogin);
    layout->addWidget(m_startup);

    m_dangerZone = new SettingsSection(u"exclamationmark.triangle.fill"_s, tr("Danger Zone"), this);
    m_resetButton = new SettingsButton(tr("Reset App…"), m_dangerZone);
    m_resetButton->setObjectName(u"resetAppButton"_s);
    m_resetButton->setDestructive(true);
    m_dangerZone->addRow(tr("All Data"), tr("Deletes chats, preferences, and setup state."),
                         m_resetButton);
    m_dangerZone->setFootnote(
        tr("This permanently removes everything stored by velm, then starts fresh."));
    connect(m_resetButton, &QPushButton::clicked, this, &GeneralSettingsTab::confirmReset);
    layout->addWidget(m_dangerZone);
    layout->addStretch();

    connect(&m_settings, &Settings::changed, this, &GeneralSettingsTab::settingChanged);
    showName();
    showInstructions();
    showSuggestions();
    showStartAtLogin();
}

QList<SettingsSection *> GeneralSettingsTab::sections() const
{
    return {m_identity, m_personality, m_startup, m_dangerZone};
}

void GeneralSettingsTab::setAutostartEntry(const AutostartEntry &entry)
{
    m_autostart = entry;
    m_startAtLoginStatus->clear();
    showStartAtLogin();
}

void GeneralSettingsTab::showEvent(QShowEvent *event)
{
    // The desktop's own startup dialog may have changed the entry meanwhile.
    showStartAtLogin();
    QWidget::showEvent(event);
}

void GeneralSettingsTab::settingChanged(const QString &key)
{
    if (key == SettingsKeys::userName)
        showName();
    else if (key == SettingsKeys::systemPrompt)
        showInstructions();
    else if (key == SettingsKeys::activePromptSuggestions)
        showSuggestions();
}

// Each field is only replaced when the stored text differs from it: the value this tab just
// wrote comes back through Settings::changed and must not move the cursor.
void GeneralSettingsTab::showName()
{
    const QString name = m_settings.userName();
    if (m_nameField->text() != name)
        m_nameField->setText(name);
}

void GeneralSettingsTab::showInstructions()
{
    const QString prompt = m_settings.systemPrompt();
    if (m_instructions->text() != prompt)
        m_instructions->setText(prompt);
}

void GeneralSettingsTab::showSuggestions()
{
    const QStringList active = m_settings.activePromptSuggestionIds();
    for (SuggestionChip *chip : std::as_const(m_chips))
        chip->setActive(active.contains(chip->suggestion().id));
}

void GeneralSettingsTab::toggleSuggestion(const QString &id)
{
    m_settings.setActivePromptSuggestions(
        PromptSuggestion::toggled(m_settings.activePromptSuggestions(), id));
}

void GeneralSettingsTab::showStartAtLogin()
{
    const QSignalBlocker blocker(m_startAtLogin);
    m_startAtLogin->setChecked(m_autostart.isEnabled());
}

void GeneralSettingsTab::setStartAtLogin(bool enabled)
{
    QString error;
    if (m_autostart.setEnabled(enabled, &error)) {
        m_startAtLoginStatus->clear();
    } else {
        m_startAtLoginStatus->setStatus(
            error.isEmpty() ? tr("The login entry could not be changed.") : error, false);
    }
    // Shows what is really on disk, which after a failure is the old state.
    showStartAtLogin();
}

QMessageBox *GeneralSettingsTab::createResetAlert(QWidget *parent)
{
    auto *alert = new QMessageBox(parent);
    alert->setObjectName(u"resetAlert"_s);
    alert->setIcon(QMessageBox::Warning);
    alert->setWindowTitle(tr("Reset App"));
    alert->setText(tr("Reset all app data?"));
    alert->setInformativeText(tr(
        "This permanently deletes every chat and stored setting, then starts onboarding again."));
    alert->setTextFormat(Qt::PlainText);
    QPushButton *cancel = alert->addButton(tr("Cancel"), QMessageBox::RejectRole);
    QPushButton *reset = alert->addButton(tr("Reset"), QMessageBox::DestructiveRole);
    reset->setObjectName(u"resetConfirmButton"_s);
    // Return must not wipe everything by accident.
    alert->setDefaultButton(cancel);
    alert->setEscapeButton(cancel);
    alert->setWindowModality(Qt::WindowModal);
    return alert;
}

void GeneralSettingsTab::confirmReset()
{
    QMessageBox *alert = createResetAlert(this);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    connect(alert, &QMessageBox::buttonClicked, this, [this, alert](QAbstractButton *button) {
        if (alert->buttonRole(button) == QMessageBox::DestructiveRole)
            resetAllData();
    });
    alert->open();
}

void GeneralSettingsTab::resetAllData()
{
    AppDataReset::resetAllAppData(m_settings, m_events);
    if (QWidget *settingsWindow = window(); settingsWindow && settingsWindow->isWindow())
        settingsWindow->close();
    // On the next turn, once the settings window is gone, as the main window expects it.
    QTimer::singleShot(0, &m_events, [&events = m_events] { events.postShowMainWindow(); });
}
