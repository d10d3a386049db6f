#include "onboarding/onboardingview.h"

#include "base/apptheme.h"
#include "chat/settings.h"
#include "onboarding/crossfadeoverlay.h"
#include "onboarding/onboardingbutton.h"
#include "onboarding/onboardingcolors.h"
#include "onboarding/onboardingdonepage.h"
#include "onboarding/onboardingllmpage.h"
#include "onboarding/onboardinglog.h"
#include "onboarding/onboardingmodel.h"
#include "onboarding/onboardingnamepage.h"
#include "onboarding/onboardingpagestack.h"
#include "onboarding/onboardingsearchpage.h"
#include "onboarding/onboardingthemepage.h"
#include "onboarding/onboardingwelcomepage.h"
#include "onboarding/setuplaterdialog.h"
#include "onboarding/trafficlight.h"
#include "widgets/systemappearance.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace {

constexpr int contentMargin = 32;
constexpr int footerMargin = 24;
constexpr int themeFadeMs = 180;

} // namespace

OnboardingView::OnboardingView(OnboardingModel &model, Settings &settings,
                               SystemAppearance &appearance, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_settings(settings)
    , m_appearance(appearance)
    , m_card(new QWidget(this))
    , m_stack(new OnboardingPageStack(m_card))
    , m_back(new OnboardingButton(OnboardingButton::Kind::Ghost, m_card))
    , m_ghost(new OnboardingButton(OnboardingButton::Kind::Ghost, m_card))
    , m_accent(new OnboardingButton(OnboardingButton::Kind::Accent, m_card))
    , m_schemeFade(new CrossFadeOverlay(m_card))
{
    setObjectName(u"onboardingView"_s);
    // It holds the keyboard when no control of a stage can, but Tab never stops on it.
    setFocusPolicy(Qt::ClickFocus);
    m_card->setObjectName(u"onboardingCard"_s);
    m_card->setFixedSize(cardSize);
    auto *outer = new QGridLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_card, 0, 0, Qt::AlignCenter);
    applyScheme();

    auto *lights = new QHBoxLayout;
    lights->setContentsMargins(12, 12, 0, 0);
    lights->setSpacing(4);
    for (auto action : {TrafficLight::Action::Close, TrafficLight::Action::Minimize,
                        TrafficLight::Action::Zoom}) {
        auto *light = new TrafficLight(action, m_card);
        lights->addWidget(light);
        connect(light, &TrafficLight::clicked, this, [this, light] { windowAction(light); });
    }
    lights->addStretch(1);

    m_back->setText(tr("← Back"));
    m_back->setObjectName(u"backButton"_s);
    m_ghost->setObjectName(u"ghostButton"_s);
    m_accent->setObjectName(u"accentButton"_s);
    auto *footer = new QHBoxLayout;
    footer->setContentsMargins(footerMargin - 3, 0, footerMargin - 3, footerMargin - 3);
    footer->setSpacing(2);
    footer->addWidget(m_back);
    footer->addWidget(m_ghost);
    footer->addStretch(1);
    footer->addWidget(m_accent);

    auto *column = new QVBoxLayout(m_card);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addLayout(lights);
    auto *middle = new QHBoxLayout;
    middle->setContentsMargins(contentMargin, 18, contentMargin, 8);
    middle->addWidget(m_stack);
    column->addLayout(middle, 1);
    column->addLayout(footer);

    const auto addPage = [this](OnboardingPage *page) {
        m_pages.insert(page->stage(), page);
        m_stack->addPage(page);
    };
    addPage(new OnboardingWelcomePage(model, m_stack));
    addPage(new OnboardingNamePage(model, m_stack));
    addPage(new OnboardingLlmPage(model, m_stack));
    addPage(new OnboardingSearchPage(model, m_stack));
    addPage(new OnboardingThemePage(model, settings, m_stack));
    addPage(new OnboardingDonePage(model, m_stack));

    m_focusTimer.setSingleShot(true);
    m_focusTimer.setInterval(focusDelayMs);
    connect(&m_focusTimer, &QTimer::timeout, this, &OnboardingView::focusStage);

    connect(m_back, &OnboardingButton::clicked, this, [this] { m_model.back(); });
    connect(m_ghost, &OnboardingButton::clicked, this, [this] { m_model.triggerGhost(); });
    connect(m_accent, &OnboardingButton::clicked, this, [this] { m_model.triggerPrimary(); });
    connect(&model, &OnboardingModel::changed, this, &OnboardingView::refresh);
    connect(&model, &OnboardingModel::stageChanged, this,
            [this](OnboardingStage stage) { showStage(stage, true); });
    connect(&model, &OnboardingModel::laterDialogRequested, this, &OnboardingView::openLaterDialog);
    connect(&m_settings, &Settings::changed, this, [this](const QString &key) {
        if (key == SettingsKeys::appTheme)
            applyScheme();
    });
    connect(&m_appearance, &SystemAppearance::changed, this, &OnboardingView::applyScheme);

    showStage(model.stage(), false);
}

OnboardingView::~OnboardingView() = default;

void OnboardingView::present()
{
    m_model.fillDrafts();
    const OnboardingStage stage = m_model.stage();
    showStage(stage, false);
    qCInfo(lcOnboarding, "Onboarding shows stage %s", qPrintable(onboardingStageName(stage)));
    // showStage skips a stage already shown; the field still wants the keyboard.
    m_focusTimer.start();
}

OnboardingModel &OnboardingView::model() const
{
    return m_model;
}

SetUpLaterDialog *OnboardingView::laterDialog() const
{
    return m_laterDialog;
}

OnboardingPage *OnboardingView::currentPage() const
{
    return m_stack->currentPage();
}

QRect OnboardingView::cardRect() const
{
    return m_card->geometry();
}

QSize OnboardingView::sizeHint() const
{
    return cardSize;
}

void OnboardingView::applyScheme()
{
    const QString stored = m_settings.appTheme();
    const bool systemDark = m_appearance.isDark();
    const bool dark = AppThemes::isDark(AppThemes::colorScheme(stored), systemDark);
    if (dark == m_dark && m_schemeApplied)
        return;
    // A theme picked on the card eases over rather than flashing.
    if (m_schemeApplied && isVisible())
        m_schemeFade->fadeFrom(grab(m_card->geometry()), themeFadeMs);
    m_dark = dark;
    m_schemeApplied = true;
    setPalette(OnboardingColors::palette(m_dark));
    if (m_laterDialog)
        m_laterDialog->setPalette(OnboardingColors::palette(m_dark));
    update();
}

void OnboardingView::showStage(OnboardingStage stage, bool animated)
{
    OnboardingPage *page = m_pages.value(stage);
    if (!page || page == m_stack->currentPage()) {
        refresh();
        return;
    }
    const bool forward = int(stage) >= int(m_shownStage);
    const bool changed = m_stack->currentPage() != nullptr;
    m_shownStage = stage;
    refresh();
    m_stack->setCurrentPage(page, forward, animated);
    page->stageShown();
    if (changed && animated)
        qCInfo(lcOnboarding, "Onboarding shows stage %s", qPrintable(onboardingStageName(stage)));
    m_focusTimer.start();
}

void OnboardingView::refresh()
{
    for (OnboardingPage *page : std::as_const(m_pages))
        page->refresh();
    m_back->setVisible(m_model.canGoBack());
    const QString ghost = m_model.ghostLabel();
    m_ghost->setText(ghost);
    m_ghost->setVisible(!ghost.isEmpty());
    m_ghost->updateGeometry();
    m_accent->setText(m_model.primaryLabel());
    m_accent->setTrailingIcon(m_model.primaryIcon());
    m_accent->setEnabled(m_model.primaryEnabled());
    m_accent->updateGeometry();
}

void OnboardingView::focusStage()
{
    OnboardingPage *page = m_stack->currentPage();
    if (!page)
        return;
    // The footer stands under the page: the keyboard meets its buttons last, though they
    // were made before the pages' controls.
    QWidget *previous = window()->previousInFocusChain();
    for (QWidget *button : {static_cast<QWidget *>(m_back), static_cast<QWidget *>(m_ghost),
                            static_cast<QWidget *>(m_accent)}) {
        if (button != previous)
            QWidget::setTabOrder(previous, button);
        previous = button;
    }
    if (QWidget *field = page->focusField())
        field->setFocus(Qt::OtherFocusReason);
    else if (m_accent->isEnabled())
        m_accent->setFocus(Qt::OtherFocusReason);
    else
        setFocus(Qt::OtherFocusReason);
}

void OnboardingView::openLaterDialog()
{
    if (m_laterDialog)
        return;
    m_laterDialog = new SetUpLaterDialog(m_dark, this);
    m_laterDialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_laterDialog, &SetUpLaterDialog::continueChosen, this,
            [this] { m_model.continueWithoutLLM(); });
    // The keyboard goes back to the stage, the same one or the next, when the dialog closes,
    // never left with the dialog that went.
    connect(m_laterDialog, &QDialog::finished, this, [this] { m_focusTimer.start(); });
    m_laterDialog->open();
}

void OnboardingView::windowAction(TrafficLight *light)
{
    QWidget *frame = window();
    switch (light->action()) {
    case TrafficLight::Action::Close:
        frame->close();
        break;
    case TrafficLight::Action::Minimize:
        frame->showMinimized();
        break;
    case TrafficLight::Action::Zoom:
        if (frame->isMaximized())
            frame->showNormal();
        else
            frame->showMaximized();
        break;
    }
}

void OnboardingView::keyPressEvent(QKeyEvent *event)
{
    // A text field lets Return through to here, as do the card's buttons: one place
    // performs the stage's action, whatever has the keyboard.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        m_model.submit();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void OnboardingView::mousePressEvent(QMouseEvent *event)
{
    // The card has no title bar: its background moves the window.
    if (event->button() == Qt::LeftButton
        && m_card->geometry().contains(event->position().toPoint())) {
        if (QWindow *handle = window()->windowHandle())
            handle->startSystemMove();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void OnboardingView::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    const OnboardingColors colors = OnboardingColors::forScheme(m_dark);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(m_card->geometry()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colors.cardBackground);
    painter.drawRoundedRect(card, cornerRadius, cornerRadius);
    // A faint glow of the accent behind the top of the card keeps the dark one from
    // reading as a black hole.
    QRadialGradient glow(card.center().x(), card.top() - 40, card.width() * 0.75);
    glow.setColorAt(0, OnboardingColors::faded(colors.accent, m_dark ? 0.10 : 0.08));
    glow.setColorAt(1, OnboardingColors::faded(colors.accent, 0));
    QPainterPath shape;
    shape.addRoundedRect(card, cornerRadius, cornerRadius);
    painter.fillPath(shape, glow);
    painter.setPen(QPen(colors.hairline(), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(card, cornerRadius, cornerRadius);
}
