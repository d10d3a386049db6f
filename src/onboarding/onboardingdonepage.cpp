#include "onboarding/onboardingdonepage.h"

#include "base/quickaskchord.h"
#include "onboarding/confettilayer.h"
#include "onboarding/kbdkey.h"
#include "onboarding/onboardingcheckmark.h"
#include "onboarding/onboardingcolors.h"
#include "onboarding/onboardingheader.h"
#include "widgets/typestyles.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// Room for the pieces: the farthest flies 88 px out and then falls 64 px.
constexpr int confettiHeight = 330;

} // namespace

OnboardingDonePage::OnboardingDonePage(OnboardingModel &model, QWidget *parent)
    : OnboardingPage(OnboardingStage::Done, model, parent)
    , m_checkmark(new OnboardingCheckmark(this))
    , m_confetti(new ConfettiLayer(this))
    , m_keysCaption(new QLabel(tr("to open anywhere"), this))
{
    auto *header = new OnboardingHeader(OnboardingStage::Done, this);
    header->setCentered(true);

    auto *keys = new QHBoxLayout;
    keys->setSpacing(5);
    keys->addStretch(1);
    for (const QString &cap : KbdKey::capsFor(QuickAskChord::keys())) {
        keys->addWidget(new KbdKey(cap, this));
    }
    keys->addSpacing(5);
    m_keysCaption->setTextFormat(Qt::PlainText);
    m_keysCaption->setFont(TypeStyles::face(u"Inter18pt-Regular", 12));
    keys->addWidget(m_keysCaption);
    keys->addStretch(1);

    QVBoxLayout *layout = contentLayout();
    layout->addStretch(2);
    layout->addWidget(m_checkmark, 0, Qt::AlignHCenter);
    layout->addSpacing(6);
    layout->addWidget(header);
    layout->addSpacing(22);
    layout->addLayout(keys);
    layout->addStretch(3);
    m_confetti->raise();
    colorCaption();
}

void OnboardingDonePage::stageShown()
{
    placeConfetti();
    m_checkmark->pop();
    m_confetti->start(OnboardingColors::of(this).cardBackground.lightnessF() < 0.5f);
}

void OnboardingDonePage::resizeEvent(QResizeEvent *event)
{
    OnboardingPage::resizeEvent(event);
    placeConfetti();
}

void OnboardingDonePage::changeEvent(QEvent *event)
{
    OnboardingPage::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        colorCaption();
}

void OnboardingDonePage::colorCaption()
{
    QPalette p = m_keysCaption->palette();
    p.setColor(QPalette::WindowText, OnboardingColors::of(this).mutedText);
    m_keysCaption->setPalette(p);
}

void OnboardingDonePage::placeConfetti()
{
    // Centred on the check, the pieces seem to burst out of it.
    QRect area(0, 0, width(), confettiHeight);
    area.moveCenter(m_checkmark->geometry().center());
    m_confetti->setGeometry(area);
}
