#pragma once

#include <QByteArray>
#include <QEasingCurve>
#include <QVariant>
#include <QVariantAnimation>

class QObject;
class QPropertyAnimation;

// A spring as designers describe it: `response` is the period of the undamped oscillation in
// seconds, `dampingFraction` how much of critical damping it has (1 settles without
// overshoot, less overshoots). It starts at rest at 0 and settles at 1.
struct DampedSpring
{
    qreal response = 0.25;
    qreal dampingFraction = 0.7;

    // Where the spring is `seconds` after release; overshoots 1 when under-damped.
    qreal value(qreal seconds) const;
    // When the spring is within 0.1 % of rest for good.
    qreal settlingTime() const;
};

// A property animation that moves as a DampedSpring instead of along an easing curve. Its
// duration is the spring's settling time; setDuration() and setEasingCurve() are not for it.
class SpringAnimation : public QVariantAnimation
{
    Q_OBJECT

public:
    explicit SpringAnimation(DampedSpring spring, QObject *parent = nullptr);
    SpringAnimation(QObject *target, const QByteArray &property, DampedSpring spring,
                    QObject *parent = nullptr);

    DampedSpring spring() const { return m_spring; }

protected:
    QVariant interpolated(const QVariant &from, const QVariant &to, qreal progress) const override;
    void updateCurrentValue(const QVariant &value) override;

private:
    DampedSpring m_spring;
    QObject *m_target = nullptr;
    QByteArray m_property;
};

// The shared timings of every window.
namespace Animations {

struct Timing
{
    int durationMs;
    QEasingCurve curve;
};

// Ease-in-out, 0.15 s: small state changes (hover fills, chips, toggles).
Timing quickEase();
// Ease-in-out, 0.35 s: views entering the screen.
Timing entranceEase();
// Ease-out, 0.12 s: the pressed state of buttons.
Timing pressEase();
// Ease-out, 0.15 s: the Quick Ask send button's look.
Timing sendButtonEase();
// Spring with response 0.25 and damping fraction 0.7: hover effects and state switches.
DampedSpring hoverSpring();

// Starts an animation of `target`'s `property` to `end` with `timing`, replacing one this
// function started earlier on the same property; it deletes itself when done. When
// animations are turned off (VELM_NO_ANIMATIONS set, as the tests do) the property jumps
// to `end` and nullptr is returned.
QVariantAnimation *animate(QObject *target, const QByteArray &property, const QVariant &end,
                           const Timing &timing);
QVariantAnimation *animate(QObject *target, const QByteArray &property, const QVariant &end,
                           DampedSpring spring);

bool enabled();

} // namespace Animations
