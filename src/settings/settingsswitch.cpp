#include "settings/settingsswitch.h"

#include "app/animations.h"
#include "app/appcolors.h"

#include <QPainter>

namespace {

constexpr int trackWidth = 36;
constexpr int trackHeight = 20;
constexpr int knobInset = 2;

} // namespace

SettingsSwitch::SettingsSwitch(QWidget *parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SettingsSwitch::setKnobPosition(qreal position)
{
    m_knobPosition = position;
    update();
}

QSize SettingsSwitch::sizeHint() const
{
    return {trackWidth + 2, trackHeight + 2};
}

// Called for every change of the checked state, also one made with the signals blocked, as
// the tabs do when they show a stored value.
void SettingsSwitch::checkStateSet()
{
    QAbstractButton::checkStateSet();
    moveKnob();
}

void SettingsSwitch::moveKnob()
{
    const qreal target = isChecked() ? 1.0 : 0.0;
    if (!isVisible()) {
        setKnobPosition(target);
        return;
    }
    Animations::animate(this, "knobPosition", target, Animations::hoverSpring());
}

void SettingsSwitch::paintEvent(QPaintEvent *)
{
    const bool dark = AppColors::isDark(this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.45);

    const QRectF track(1, (height() - trackHeight) / 2.0, trackWidth, trackHeight);
    const qreal progress = qBound(0.0, m_knobPosition, 1.0);
    const QColor off = dark ? QColor(255, 255, 255, 46) : QColor(0, 0, 0, 38);
    const QColor on = AppColors::named(NamedColor::AskAccent, dark);
    const QColor fill = QColor::fromRgbF(off.redF() + (on.redF() - off.redF()) * progress,
                                         off.greenF() + (on.greenF() - off.greenF()) * progress,
                                         off.blueF() + (on.blueF() - off.blueF()) * progress,
                                         off.alphaF() + (on.alphaF() - off.alphaF()) * progress);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(track, trackHeight / 2.0, trackHeight / 2.0);

    const qreal knob = trackHeight - 2 * knobInset;
    const qreal travel = trackWidth - 2 * knobInset - knob;
    // The overshoot of the spring may carry the knob a little past its end, never out.
    const qreal x = track.left() + knobInset + travel * qBound(-0.08, m_knobPosition, 1.08);
    const QRectF knobRect(x, track.top() + knobInset, knob, knob);
    painter.setBrush(QColor(0, 0, 0, 40));
    painter.drawEllipse(knobRect.translated(0, 0.6));
    painter.setBrush(Qt::white);
    painter.drawEllipse(knobRect);

    if (hasFocus() && focusPolicy() != Qt::NoFocus) {
        QColor ring = on;
        ring.setAlphaF(0.5f);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(ring, 1.5));
        painter.drawRoundedRect(track.adjusted(-0.5, -0.5, 0.5, 0.5), trackHeight / 2.0 + 0.5,
                                trackHeight / 2.0 + 0.5);
    }
}
