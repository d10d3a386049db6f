#include "onboarding/onboardingpagestack.h"

#include "onboarding/onboardingmotion.h"
#include "onboarding/onboardingpage.h"

#include <QGraphicsOpacityEffect>
#include <QPainter>

namespace {

// How far a page travels while it comes in or goes.
constexpr qreal slideDistance = 22;

} // namespace

OnboardingPageStack::OnboardingPageStack(QWidget *parent)
    : QWidget(parent)
{ }

void OnboardingPageStack::addPage(OnboardingPage *page)
{
    page->setParent(this);
    page->hide();
    page->setGeometry(rect());
    m_pages.append(page);
}

OnboardingPage *OnboardingPageStack::currentPage() const
{
    return m_current;
}

void OnboardingPageStack::setCurrentPage(OnboardingPage *page, bool forward, bool animated)
{
    if (page == m_current)
        return;
    OnboardingPage *leaving = m_current;
    endTransition();
    m_leaving = QPixmap();
    if (leaving && animated && Animations::enabled() && leaving->isVisible())
        m_leaving = leaving->grab();
    if (leaving)
        leaving->hide();
    m_current = page;
    m_direction = forward ? 1 : -1;
    if (!page)
        return;
    page->setGeometry(rect());
    if (m_leaving.isNull()) {
        page->show();
        // Also stops a slide still under way.
        Animations::animate(this, "transitionProgress", 1.0, Animations::Timing{0, {}});
        return;
    }
    m_fade = new QGraphicsOpacityEffect(page);
    m_fade->setOpacity(0);
    page->setGraphicsEffect(m_fade);
    setTransitionProgress(0);
    page->show();
    Animations::animate(this, "transitionProgress", 1.0, OnboardingMotion::stageChange());
}

void OnboardingPageStack::setTransitionProgress(qreal progress)
{
    m_progress = progress;
    if (m_fade)
        m_fade->setOpacity(std::clamp(progress, 0.0, 1.0));
    placeCurrent();
    update();
    if (progress >= 1)
        endTransition();
}

void OnboardingPageStack::endTransition()
{
    m_progress = 1;
    m_leaving = QPixmap();
    if (m_current && m_fade && m_current->graphicsEffect() == m_fade)
        m_current->setGraphicsEffect(nullptr); // drawn directly again: crisp text, no cost
    m_fade = nullptr;
    placeCurrent();
    update();
}

void OnboardingPageStack::placeCurrent()
{
    if (!m_current)
        return;
    const int offset = qRound(m_direction * slideDistance * (1 - m_progress));
    m_current->setGeometry(rect().translated(offset, 0));
}

void OnboardingPageStack::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    for (OnboardingPage *page : std::as_const(m_pages))
        page->setGeometry(rect());
    placeCurrent();
}

void OnboardingPageStack::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    if (m_leaving.isNull())
        return;
    // The old page leaves faster than the new one comes, so the two never read as one.
    QPainter painter(this);
    painter.setOpacity(std::clamp(1 - m_progress * 2.5, 0.0, 1.0));
    painter.drawPixmap(QPointF(-m_direction * slideDistance * m_progress, 0), m_leaving);
}
