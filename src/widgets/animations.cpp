#include "widgets/animations.h"

#include <QHash>
#include <QPointF>
#include <QPropertyAnimation>
#include <QtMath>

#include <cmath>

using namespace Qt::StringLiterals;

qreal DampedSpring::value(qreal seconds) const
{
    if (seconds <= 0)
        return 0;
    const qreal omega = 2 * M_PI / qMax(response, 0.001);
    const qreal zeta = qMax(dampingFraction, 0.0);
    if (zeta < 1) {
        const qreal damped = omega * std::sqrt(1 - zeta * zeta);
        const qreal envelope = std::exp(-zeta * omega * seconds);
        return 1
            - envelope
            * (std::cos(damped * seconds) + zeta * omega / damped * std::sin(damped * seconds));
    }
    // Critically (or over-) damped: treat as critical, which settles fastest without overshoot.
    return 1 - std::exp(-omega * seconds) * (1 + omega * seconds);
}

qreal DampedSpring::settlingTime() const
{
    // Past this point the envelope keeps the spring within 0.1 % of rest; stepping finds
    // the last time it was further out, so an oscillation that happens to cross 1 early
    // does not end the animation mid-swing.
    const qreal omega = 2 * M_PI / qMax(response, 0.001);
    const qreal zeta = qBound(0.05, dampingFraction, 1.0);
    const qreal bound = 12 / (zeta * omega);
    qreal last = 0;
    const qreal step = bound / 400;
    for (qreal t = 0; t <= bound; t += step) {
        if (std::abs(1 - value(t)) > 0.001)
            last = t + step;
    }
    return qMax(last, 0.016);
}

SpringAnimation::SpringAnimation(DampedSpring spring, QObject *parent)
    : QVariantAnimation(parent)
    , m_spring(spring)
{
    QVariantAnimation::setDuration(qMax(1, qRound(spring.settlingTime() * 1000)));
    QVariantAnimation::setEasingCurve(QEasingCurve::Linear);
}

SpringAnimation::SpringAnimation(QObject *target, const QByteArray &property, DampedSpring spring,
                                 QObject *parent)
    : SpringAnimation(spring, parent)
{
    m_target = target;
    m_property = property;
    if (target && !startValue().isValid())
        setStartValue(target->property(property.constData()));
}

QVariant SpringAnimation::interpolated(const QVariant &from, const QVariant &to,
                                       qreal progress) const
{
    const qreal seconds = progress * duration() / 1000.0;
    const qreal position = progress >= 1 ? 1.0 : m_spring.value(seconds);
    return QVariantAnimation::interpolated(from, to, position);
}

void SpringAnimation::updateCurrentValue(const QVariant &value)
{
    if (m_target && !m_property.isEmpty())
        m_target->setProperty(m_property.constData(), value);
}

namespace Animations {

namespace {

// SwiftUI's ease-in-out and ease-out are these cubic Béziers, slightly softer than Qt's
// quadratic curves.
QEasingCurve bezier(QPointF c1, QPointF c2)
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(c1, c2, QPointF(1, 1));
    return curve;
}

QEasingCurve easeInOut()
{
    return bezier({0.42, 0.0}, {0.58, 1.0});
}

QEasingCurve easeOut()
{
    return bezier({0.0, 0.0}, {0.58, 1.0});
}

const char *runningAnimationProperty(const QByteArray &property)
{
    static QHash<QByteArray, QByteArray> names;
    auto it = names.find(property);
    if (it == names.end())
        it = names.insert(property, "_velm_animation_" + property);
    return it->constData();
}

// Stops the animation animate() started earlier on `property`, so that two never fight.
void cancel(QObject *target, const QByteArray &property)
{
    const char *slot = runningAnimationProperty(property);
    if (auto *previous = target->property(slot).value<QObject *>())
        delete previous;
    target->setProperty(slot, QVariant());
}

QVariantAnimation *start(QObject *target, const QByteArray &property, QVariantAnimation *animation)
{
    cancel(target, property);
    const char *slot = runningAnimationProperty(property);
    target->setProperty(slot, QVariant::fromValue<QObject *>(animation));
    QObject::connect(animation, &QObject::destroyed, target, [target, slot, animation] {
        if (target->property(slot).value<QObject *>() == animation)
            target->setProperty(slot, QVariant());
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    return animation;
}

} // namespace

Timing quickEase()
{
    return {150, easeInOut()};
}

Timing entranceEase()
{
    return {350, easeInOut()};
}

Timing pressEase()
{
    return {120, easeOut()};
}

Timing sendButtonEase()
{
    return {150, easeOut()};
}

DampedSpring hoverSpring()
{
    return {0.25, 0.7};
}

bool enabled()
{
    static const bool on = qEnvironmentVariableIsEmpty("VELM_NO_ANIMATIONS");
    return on;
}

QVariantAnimation *animate(QObject *target, const QByteArray &property, const QVariant &end,
                           const Timing &timing)
{
    if (!target)
        return nullptr;
    if (!enabled()) {
        cancel(target, property);
        target->setProperty(property.constData(), end);
        return nullptr;
    }
    auto *animation = new QPropertyAnimation(target, property, target);
    animation->setStartValue(target->property(property.constData()));
    animation->setEndValue(end);
    animation->setDuration(timing.durationMs);
    animation->setEasingCurve(timing.curve);
    return start(target, property, animation);
}

QVariantAnimation *animate(QObject *target, const QByteArray &property, const QVariant &end,
                           DampedSpring spring)
{
    if (!target)
        return nullptr;
    if (!enabled()) {
        cancel(target, property);
        target->setProperty(property.constData(), end);
        return nullptr;
    }
    auto *animation = new SpringAnimation(target, property, spring, target);
    animation->setEndValue(end);
    return start(target, property, animation);
}

} // namespace Animations
