#include "onboarding/crossfadeoverlay.h"

#include "onboarding/onboardingmotion.h"

#include <QPainter>

CrossFadeOverlay::CrossFadeOverlay(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    hide();
}

void CrossFadeOverlay::fadeFrom(const QPixmap &before, int ms)
{
    if (!Animations::enabled() || before.isNull()) {
        setOpacity(0);
        return;
    }
    m_before = before;
    setGeometry(parentWidget()->rect());
    raise();
    show();
    setOpacity(1);
    Animations::animate(this, "opacity", 0.0, OnboardingMotion::easeOut(ms));
}

void CrossFadeOverlay::setOpacity(qreal opacity)
{
    m_opacity = opacity;
    if (opacity <= 0) {
        m_before = QPixmap();
        hide();
        return;
    }
    update();
}

void CrossFadeOverlay::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    painter.setOpacity(m_opacity);
    painter.drawPixmap(0, 0, m_before);
}
