#include "onboarding/onboardingwelcomepage.h"

#include "onboarding/onboardingcolors.h"
#include "onboarding/onboardingwordmark.h"
#include "widgets/typestyles.h"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

OnboardingWelcomePage::OnboardingWelcomePage(OnboardingModel &model, QWidget *parent)
    : OnboardingPage(OnboardingStage::Welcome, model, parent)
    , m_wordmark(new OnboardingWordmark(this))
    , m_subtitle(new QLabel(onboardingSubtitle(OnboardingStage::Welcome), this))
{
    m_subtitle->setTextFormat(Qt::PlainText);
    QFont font = TypeStyles::face(u"Inter18pt-Regular", 13);
    m_subtitle->setFont(font);
    m_subtitle->setWordWrap(true);
    QVBoxLayout *layout = contentLayout();
    // A little above the middle, where the eye lands first.
    layout->addStretch(3);
    layout->addWidget(m_wordmark);
    layout->addSpacing(10);
    layout->addWidget(m_subtitle);
    layout->addStretch(4);
    QPalette p = m_subtitle->palette();
    p.setColor(QPalette::WindowText, OnboardingColors::of(this).mutedText);
    m_subtitle->setPalette(p);
}

void OnboardingWelcomePage::changeEvent(QEvent *event)
{
    OnboardingPage::changeEvent(event);
    if (event->type() != QEvent::PaletteChange)
        return;
    QPalette p = m_subtitle->palette();
    p.setColor(QPalette::WindowText, OnboardingColors::of(this).mutedText);
    m_subtitle->setPalette(p);
}
