#include "onboarding/onboardingswitch.h"

#include "app/animations.h"
#include "onboarding/onboardingcolors.h"

#include <QPainter>

namespace {

constexpr int trackWidth = 38;
constexpr int trackHeight = 22;
constexpr int knobInset = 2;

} // namespace

OnboardingSwitch::OnboardingSwitch(QWidget *parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setFixedSize(sizeHint());
}

void OnboardingSwitch::setKnobPosition(qreal position)
{
    m_knob = position;
    update();
}

QSize OnboardingSwitch::sizeHint() const
{
    return QSize(trackWidth, trackHeight);
}

void OnboardingSwitch::checkStateSet()
{
    // Set from outside (the stored value): no slide.
    QAbstractButton::checkStateSet();
    Animations::animate(this, "knobPosition", isChecked() ? 1.0 : 0.0,
                        Animations::Timing{0, QEasingCurve()});
}

void OnboardingSwitch::nextCheckState()
{
    QAbstractButton::nextCheckState();
    Animations::animate(this, "knobPosition", isChecked() ? 1.0 : 0.0, Animations::hoverSpring());
}

void OnboardingSwitch::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    const OnboardingColors colors = OnboardingColors::of(this);
    const bool dark = colors.cardBackground.lightnessF() < 0.5f;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track(0.5, 0.5, trackWidth - 1, trackHeight - 1);
    const QColor off = dark ? colors.surface.lighter(160) : colors.mutedText.lighter(135);
    painter.setPen(Qt::NoPen);
    painter.setBrush(OnboardingColors::mix(off, colors.accent, std::clamp(m_knob, 0.0, 1.0)));
    painter.drawRoundedRect(track, track.height() / 2, track.height() / 2);
    if (hasFocus()) {
        painter.setPen(QPen(OnboardingColors::faded(colors.accent, 0.5), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track, track.height() / 2, track.height() / 2);
    }

    const qreal knob = trackHeight - 2 * knobInset;
    const qreal x = knobInset + (trackWidth - 2 * knobInset - knob) * m_knob;
    painter.setPen(QPen(QColor(0, 0, 0, 30), 0.5));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(x, knobInset, knob, knob));
}
