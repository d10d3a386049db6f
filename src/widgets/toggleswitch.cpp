#include "widgets/toggleswitch.h"

#include "widgets/animations.h"
#include "widgets/appcolors.h"

#include <QPainter>

#include <cmath>

ToggleSwitch::Style ToggleSwitch::appStyle()
{
    Style style;
    style.colors = [](const QWidget *widget) {
        const bool dark = AppColors::isDark(widget);
        const QColor on = AppColors::named(NamedColor::AskAccent, dark);
        QColor ring = on;
        ring.setAlphaF(0.5f);
        return Colors{dark ? QColor(255, 255, 255, 46) : QColor(0, 0, 0, 38), on, ring};
    };
    return style;
}

ToggleSwitch::ToggleSwitch(QWidget *parent)
    : ToggleSwitch(appStyle(), parent)
{ }

ToggleSwitch::ToggleSwitch(Style style, QWidget *parent)
    : QAbstractButton(parent)
    , m_style(std::move(style))
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(sizeHint());
}

void ToggleSwitch::setKnobPosition(qreal position)
{
    m_knobPosition = position;
    update();
}

QSize ToggleSwitch::sizeHint() const
{
    return QSize(int(std::ceil(m_style.track.width() + 2 * m_style.margin)),
                 int(std::ceil(m_style.track.height() + 2 * m_style.margin)));
}

// Called for every change of the checked state, also one made with the signals blocked, as
// the owners do when they show a stored value.
void ToggleSwitch::checkStateSet()
{
    QAbstractButton::checkStateSet();
    moveKnob();
}

void ToggleSwitch::moveKnob()
{
    const qreal target = isChecked() ? 1.0 : 0.0;
    if (!isVisible()) {
        setKnobPosition(target);
        return;
    }
    Animations::animate(this, "knobPosition", target, Animations::hoverSpring());
}

void ToggleSwitch::paintEvent(QPaintEvent *)
{
    const Colors colors = m_style.colors ? m_style.colors(this) : appStyle().colors(this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.45);

    const QSizeF size = m_style.track;
    const QRectF track(QPointF(m_style.margin, (height() - size.height()) / 2.0), size);
    const qreal radius = size.height() / 2.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(AppColors::mix(colors.off, colors.on, qBound(0.0, m_knobPosition, 1.0)));
    painter.drawRoundedRect(track, radius, radius);

    const qreal inset = m_style.knobInset;
    const qreal knob = size.height() - 2 * inset;
    const qreal travel = size.width() - 2 * inset - knob;
    // The overshoot of the spring may carry the knob a little past its end, never out.
    const qreal x = track.left() + inset + travel * qBound(-0.08, m_knobPosition, 1.08);
    const QRectF knobRect(x, track.top() + inset, knob, knob);
    if (m_style.knobEdge == KnobEdge::Shadow) {
        painter.setBrush(QColor(0, 0, 0, 40));
        painter.drawEllipse(knobRect.translated(0, 0.6));
        painter.setBrush(Qt::white);
    } else {
        painter.setPen(QPen(QColor(0, 0, 0, 30), 0.5));
        painter.setBrush(Qt::white);
    }
    painter.drawEllipse(knobRect);

    if (hasFocus() && focusPolicy() != Qt::NoFocus) {
        // As far out as the widget's edge lets the ring go without clipping it.
        const qreal out = m_style.margin - 0.5;
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(colors.focusRing, 1.5));
        painter.drawRoundedRect(track.adjusted(-out, -out, out, out), radius + out, radius + out);
    }
}
