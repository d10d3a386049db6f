#include "settings/appearancesettingstab.h"

#include "base/apptheme.h"
#include "chat/settings.h"
#include "chat/settingskeys.h"
#include "settings/settingssection.h"
#include "settings/settingsthemechoice.h"
#include "widgets/toggleswitch.h"

#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

AppearanceSettingsTab::AppearanceSettingsTab(Settings *settings, QWidget *parent)
    : QWidget(parent)
    , m_settings(settings)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(18);

    m_themeSection = new SettingsSection(u"circle.lefthalf.filled"_s, u"Theme"_s, this);
    auto *cards = new QWidget(m_themeSection);
    auto *cardsLayout = new QHBoxLayout(cards);
    cardsLayout->setContentsMargins(0, 0, 0, 0);
    cardsLayout->setSpacing(10);
    for (const AppTheme theme : AppThemes::allCases()) {
        auto *choice = new SettingsThemeChoice(theme, cards);
        connect(choice, &SettingsThemeChoice::clicked, this, [this, theme] {
            if (m_settings)
                m_settings->setAppTheme(AppThemes::rawValue(theme));
        });
        cardsLayout->addWidget(choice);
        m_choices.append(choice);
    }
    m_themeSection->addWidget(cards);
    m_themeSection->setFootnote(u"Dark is recommended for velm's focused, low-glare workspace."_s);
    layout->addWidget(m_themeSection);

    m_quickAskSection = new SettingsSection(u"sparkles"_s, u"Quick Ask"_s, this);
    m_quickAskSwitch = new ToggleSwitch(m_quickAskSection);
    m_quickAskSwitch->setObjectName(u"quickAskFollowsSystemSwitch"_s);
    m_quickAskSwitch->setAccessibleName(u"Always follow system theme for Quick Ask"_s);
    m_quickAskSection->addRow(u"Always follow system theme for Quick Ask"_s, m_quickAskSwitch);
    m_quickAskSection->setFootnote(
        u"When this is off, the floating ask window uses the selected app theme."_s);
    connect(m_quickAskSwitch, &ToggleSwitch::clicked, this, [this](bool checked) {
        if (m_settings)
            m_settings->setQuickAskFollowsSystemTheme(checked);
    });
    layout->addWidget(m_quickAskSection);
    layout->addStretch();

    if (m_settings)
        connect(m_settings, &Settings::changed, this, &AppearanceSettingsTab::settingChanged);
    showTheme();
    showQuickAsk();
}

void AppearanceSettingsTab::settingChanged(const QString &key)
{
    if (key == SettingsKeys::appTheme)
        showTheme();
    else if (key == SettingsKeys::quickAskFollowsSystemTheme)
        showQuickAsk();
}

void AppearanceSettingsTab::showTheme()
{
    // Only a card whose raw value is the stored text is chosen: an unknown value, which
    // draws dark, chooses none.
    const QString stored = m_settings ? m_settings->appTheme() : QString();
    for (SettingsThemeChoice *choice : std::as_const(m_choices))
        choice->setSelected(AppThemes::rawValue(choice->theme()) == stored);
}

void AppearanceSettingsTab::showQuickAsk()
{
    const QSignalBlocker blocker(m_quickAskSwitch);
    m_quickAskSwitch->setChecked(m_settings ? m_settings->quickAskFollowsSystemTheme() : true);
}
