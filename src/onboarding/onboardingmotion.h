#pragma once

#include "widgets/animations.h"

// The timings the flow uses beyond the app's shared ones.
namespace OnboardingMotion {

// Ease-out (the design tools' curve, not Qt's quadratic) of `ms` milliseconds.
Animations::Timing easeOut(int ms);
// Ease-in of `ms` milliseconds: the confetti's fall.
Animations::Timing easeIn(int ms);

// The stage change, 0.24 s; the hover of the footer buttons, 0.1 s.
inline Animations::Timing stageChange()
{
    return easeOut(240);
}
inline Animations::Timing hover()
{
    return easeOut(100);
}

} // namespace OnboardingMotion
