#include "onboarding/onboardingthemepage.h"

#include "chat/settings.h"
#include "onboarding/onboardingcolors.h"
#include "onboarding/onboardingmodel.h"
#include "onboarding/onboardingmotion.h"
#include "widgets/themechoicecard.h"
#include "widgets/toggleswitch.h"
#include "widgets/typestyles.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The flow's switch: a shade of the card's surface when off, the flow's accent when on.
ToggleSwitch::Style switchStyle()
{
    ToggleSwitch::Style style;
    style.track = QSizeF(37, 21);
    style.margin = 0.5;
    style.knobInset = 1.5;
    style.knobEdge = ToggleSwitch::KnobEdge::Hairline;
    style.colors = [](const QWidget *widget) {
        const OnboardingColors colors = OnboardingColors::of(widget);
        const bool dark = colors.cardBackground.lightnessF() < 0.5f;
        return ToggleSwitch::Colors{dark ? colors.surface.lighter(160)
                                         : colors.mutedText.lighter(135),
                                    colors.accent, OnboardingColors::faded(colors.accent, 0.5)};
    };
    return style;
}

// The stage's theme cards: rows in the flow's own colours.
ThemeChoiceCard::Look themeCardLook()
{
    ThemeChoiceCard::Look look;
    look.arrangement = ThemeChoiceCard::Arrangement::Row;
    look.sizeHint = QSize(360, 54);
    look.hover = OnboardingMotion::hover();
    look.nameFont = TypeStyles::face(u"Inter18pt-SemiBold", 13);
    look.detailFont = TypeStyles::face(u"Inter18pt-Regular", 12);
    look.badgeFont = TypeStyles::face(u"Inter18pt-SemiBold", 10);
    look.badgeFont.setLetterSpacing(QFont::AbsoluteSpacing, 0.2);
    look.colors = [](const QWidget *card) {
        const OnboardingColors c = OnboardingColors::of(card);
        return ThemeChoiceCard::Colors{.surface = c.surface,
                                       .edge = c.hairline(),
                                       .hovered = c.primaryText,
                                       .chosen = c.accentTint,
                                       .accent = c.accent,
                                       .accentText = c.strongAccent,
                                       .badge = c.accentTint,
                                       .name = c.primaryText,
                                       .symbol = c.secondaryText,
                                       .detail = c.mutedText};
    };
    return look;
}

QString quickAskNote()
{
#ifdef Q_OS_MACOS
    return QCoreApplication::translate("OnboardingThemePage",
                                       "Keeps the floating ask window matched to macOS.");
#else
    return QCoreApplication::translate("OnboardingThemePage",
                                       "Keeps the floating ask window matched to your desktop.");
#endif
}

} // namespace

OnboardingThemePage::OnboardingThemePage(OnboardingModel &model, Settings &settings,
                                         QWidget *parent)
    : OnboardingPage(OnboardingStage::Theme, model, parent)
    , m_settings(settings)
    , m_switch(new ToggleSwitch(switchStyle(), this))
    , m_switchLabel(new QLabel(tr("Always follow system theme for Quick Ask"), this))
    , m_switchNote(new QLabel(quickAskNote(), this))
{
    QVBoxLayout *layout = contentLayout();
    const ThemeChoiceCard::Look look = themeCardLook();
    for (AppTheme theme : AppThemes::allCases()) {
        auto *choice = new ThemeChoiceCard(theme, look, this);
        choice->setFocusPolicy(Qt::TabFocus);
        m_choices.append(choice);
        layout->addWidget(choice);
        layout->addSpacing(7);
        connect(choice, &ThemeChoiceCard::clicked, this,
                [this, theme] { this->model().chooseTheme(theme); });
    }
    layout->addSpacing(7);

    m_switchLabel->setTextFormat(Qt::PlainText);
    m_switchLabel->setFont(TypeStyles::face(u"Inter18pt-Medium", 13));
    m_switchNote->setTextFormat(Qt::PlainText);
    m_switchNote->setFont(TypeStyles::face(u"Inter18pt-Regular", 12));
    m_switch->setFocusPolicy(Qt::TabFocus);
    m_switchLabel->setBuddy(m_switch);
    // The switch stands under the cards, though it was made first.
    QWidget::setTabOrder(m_choices.last(), m_switch);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(m_switchLabel);
    texts->addWidget(m_switchNote);
    auto *row = new QHBoxLayout;
    row->setContentsMargins(2, 0, 2, 0);
    row->addLayout(texts, 1);
    row->addWidget(m_switch, 0, Qt::AlignVCenter);
    layout->addLayout(row);
    layout->addStretch(1);
    connect(m_switch, &ToggleSwitch::clicked, this,
            [this](bool checked) { this->model().setQuickAskFollowsSystemTheme(checked); });
    connect(&m_settings, &Settings::changed, this, [this](const QString &key) {
        if (key == SettingsKeys::appTheme || key == SettingsKeys::quickAskFollowsSystemTheme)
            refresh();
    });
    colorLabels();
}

void OnboardingThemePage::refresh()
{
    const AppTheme current = m_settings.theme();
    for (ThemeChoiceCard *choice : std::as_const(m_choices))
        choice->setSelected(choice->theme() == current);
    m_switch->setChecked(m_settings.quickAskFollowsSystemTheme());
}

void OnboardingThemePage::changeEvent(QEvent *event)
{
    OnboardingPage::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        colorLabels();
}

void OnboardingThemePage::colorLabels()
{
    const OnboardingColors colors = OnboardingColors::of(this);
    QPalette p = m_switchLabel->palette();
    p.setColor(QPalette::WindowText, colors.primaryText);
    m_switchLabel->setPalette(p);
    p.setColor(QPalette::WindowText, colors.mutedText);
    m_switchNote->setPalette(p);
}
