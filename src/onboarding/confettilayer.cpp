#include "onboarding/confettilayer.h"

#include "onboarding/onboardingcolors.h"
#include "onboarding/onboardingmotion.h"

#include <QPainter>
#include <QRandomGenerator>

#include <cmath>
#include <numbers>

ConfettiLayer::ConfettiLayer(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    m_burstTimer.setSingleShot(true);
    m_burstTimer.setInterval(burstDelayMs);
    m_fallTimer.setSingleShot(true);
    m_fallTimer.setInterval(fallDelayMs);
    connect(&m_burstTimer, &QTimer::timeout, this, &ConfettiLayer::burst);
    connect(&m_fallTimer, &QTimer::timeout, this, &ConfettiLayer::fall);
}

void ConfettiLayer::start(bool dark)
{
    reset();
    m_accent = OnboardingColors::forScheme(dark).accent;
    m_burstTimer.start();
}

void ConfettiLayer::reset()
{
    m_burstTimer.stop();
    m_fallTimer.stop();
    Animations::animate(this, "burstProgress", 0.0, Animations::Timing{0, {}});
    Animations::animate(this, "fallProgress", 0.0, Animations::Timing{0, {}});
    m_particles.clear();
    update();
}

QList<ConfettiParticle> ConfettiLayer::makeParticles(const QColor &accent)
{
    const QColor palette[] = {accent, OnboardingColors::faded(accent, 0.7),
                              QColor(0xc4, 0xb5, 0xfd), QColor(0xdd, 0xd6, 0xfe)};
    QRandomGenerator *random = QRandomGenerator::global();
    const auto between
        = [random](qreal low, qreal high) { return low + random->generateDouble() * (high - low); };
    QList<ConfettiParticle> particles;
    particles.reserve(particleCount);
    for (int i = 0; i < particleCount; ++i) {
        const qreal angle = 2 * std::numbers::pi * i / particleCount;
        const qreal radius = between(44, 88);
        ConfettiParticle particle;
        particle.id = QUuid::createUuid();
        particle.x = radius * std::cos(angle);
        particle.y = radius * std::sin(angle) - 16;
        particle.size = between(3, 7);
        particle.opacity = between(0.4, 0.85);
        particle.color = palette[random->bounded(4)];
        particles.append(particle);
    }
    return particles;
}

void ConfettiLayer::burst()
{
    m_particles = makeParticles(m_accent);
    setBurstProgress(0);
    setFallProgress(0);
    Animations::animate(this, "burstProgress", 1.0, DampedSpring{0.5, 0.825});
    m_fallTimer.start();
}

void ConfettiLayer::fall()
{
    Animations::animate(this, "fallProgress", 1.0, OnboardingMotion::easeIn(fallMs));
}

void ConfettiLayer::setBurstProgress(qreal progress)
{
    m_burst = progress;
    update();
}

void ConfettiLayer::setFallProgress(qreal progress)
{
    m_fall = progress;
    update();
}

void ConfettiLayer::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    if (m_particles.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QPointF centre = QRectF(rect()).center();
    // The pieces fly out from the middle; they appear as they leave it.
    const qreal appear = std::clamp(m_burst * 2.5, 0.0, 1.0);
    for (int i = 0; i < m_particles.size(); ++i) {
        const ConfettiParticle &p = m_particles.at(i);
        const QPointF at = centre + QPointF(p.x * m_burst, p.y * m_burst + fallDistance * m_fall);
        const qreal opacity = p.opacity * appear * (1 - (1 - fadedOpacity) * m_fall);
        painter.setOpacity(opacity);
        painter.setBrush(p.color);
        const QRectF shape(at.x() - p.size / 2, at.y() - p.size / 2, p.size, p.size);
        // Round and square pieces, as paper confetti is.
        if (i % 3 == 0)
            painter.drawRoundedRect(shape, p.size * 0.2, p.size * 0.2);
        else
            painter.drawEllipse(shape);
    }
}
