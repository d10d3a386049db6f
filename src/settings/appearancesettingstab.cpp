#include "settings/appearancesettingstab.h"

#include "base/apptheme.h"
#include "chat/settings.h"
#include "chat/settingskeys.h"
#include "settings/settingssection.h"
#include "widgets/appcolors.h"
#include "widgets/pressablebuttonstyle.h"
#include "widgets/themechoicecard.h"
#include "widgets/toggleswitch.h"
#include "widgets/typestyles.h"

#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The tab's theme cards: tiles side by side, in the app's colours.
ThemeChoiceCard::Look themeCardLook()
{
    ThemeChoiceCard::Look look;
    look.arrangement = ThemeChoiceCard::Arrangement::Tile;
    look.sizeHint = QSize(150, 132);
    look.minimumSizeHint = QSize(120, 132);
    look.hover = Animations::hoverSpring();
    look.nameFont = TypeStyles::font(TypeStyle::Label);
    look.nameFont.setWeight(QFont::DemiBold);
    look.detailFont = TypeStyles::font(TypeStyle::Caption);
    look.badgeFont = TypeStyles::font(TypeStyle::Overline);
    look.badgeFont.setPixelSize(10);
    look.colors = [](const QWidget *card) {
        const bool dark = AppColors::isDark(card);
        const QColor accent = AppColors::named(NamedColor::AskAccent, dark);
        const auto withAlpha = [](QColor color, float alpha) {
            color.setAlphaF(alpha);
            return color;
        };
        QColor hovered = AppColors::named(NamedColor::AskBgHover, dark);
        hovered.setAlphaF(hovered.alphaF() * 1.5f);
        return ThemeChoiceCard::Colors{.surface = AppColors::surface1(dark),
                                       .edge = AppColors::named(NamedColor::AskDialogStroke, dark),
                                       .hovered = hovered,
                                       .chosen = withAlpha(accent, dark ? 0.1f : 0.06f),
                                       .accent = accent,
                                       .accentText = accent,
                                       .badge = withAlpha(accent, dark ? 0.22f : 0.13f),
                                       .name = AppColors::primaryText(card->palette()),
                                       .symbol = AppColors::primaryText(card->palette()),
                                       .detail = AppColors::secondaryText(card->palette())};
    };
    return look;
}

} // namespace

AppearanceSettingsTab::AppearanceSettingsTab(Settings &settings, QWidget *parent)
    : QWidget(parent)
    , m_settings(settings)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(18);

    m_themeSection = new SettingsSection(u"circle.lefthalf.filled"_s, tr("Theme"), this);
    auto *cards = new QWidget(m_themeSection);
    auto *cardsLayout = new QHBoxLayout(cards);
    cardsLayout->setContentsMargins(0, 0, 0, 0);
    cardsLayout->setSpacing(10);
    const ThemeChoiceCard::Look look = themeCardLook();
    for (const AppTheme theme : AppThemes::allCases()) {
        auto *choice = new ThemeChoiceCard(theme, look, cards);
        choice->setFocusPolicy(Qt::StrongFocus);
        PressableButtonStyle::apply(choice, 0.98, 0.9);
        connect(choice, &ThemeChoiceCard::clicked, this,
                [this, theme] { m_settings.setAppTheme(AppThemes::rawValue(theme)); });
        cardsLayout->addWidget(choice);
        m_choices.append(choice);
    }
    m_themeSection->addWidget(cards);
    m_themeSection->setFootnote(tr("Dark is recommended for velm's focused, low-glare workspace."));
    layout->addWidget(m_themeSection);

    m_quickAskSection = new SettingsSection(u"sparkles"_s, tr("Quick Ask"), this);
    m_quickAskSwitch = new ToggleSwitch(m_quickAskSection);
    m_quickAskSwitch->setObjectName(u"quickAskFollowsSystemSwitch"_s);
    m_quickAskSwitch->setAccessibleName(tr("Always follow system theme for Quick Ask"));
    m_quickAskSection->addRow(tr("Always follow system theme for Quick Ask"), m_quickAskSwitch);
    m_quickAskSection->setFootnote(
        tr("When this is off, the floating ask window uses the selected app theme."));
    connect(m_quickAskSwitch, &ToggleSwitch::clicked, this,
            [this](bool checked) { m_settings.setQuickAskFollowsSystemTheme(checked); });
    layout->addWidget(m_quickAskSection);
    layout->addStretch();

    connect(&m_settings, &Settings::changed, this, &AppearanceSettingsTab::settingChanged);
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
    const QString stored = m_settings.appTheme();
    for (ThemeChoiceCard *choice : std::as_const(m_choices))
        choice->setSelected(AppThemes::rawValue(choice->theme()) == stored);
}

void AppearanceSettingsTab::showQuickAsk()
{
    const QSignalBlocker blocker(m_quickAskSwitch);
    m_quickAskSwitch->setChecked(m_settings.quickAskFollowsSystemTheme());
}
