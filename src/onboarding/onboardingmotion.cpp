#include "onboarding/onboardingmotion.h"

#include <QPointF>

namespace {

QEasingCurve bezier(QPointF c1, QPointF c2)
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(c1, c2, QPointF(1, 1));
    return curve;
}

} // namespace

namespace OnboardingMotion {

Animations::Timing easeOut(int ms)
{
    return {ms, bezier({0.0, 0.0}, {0.58, 1.0})};
}

Animations::Timing easeIn(int ms)
{
    return {ms, bezier({0.42, 0.0}, {1.0, 1.0})};
}

} // namespace OnboardingMotion
