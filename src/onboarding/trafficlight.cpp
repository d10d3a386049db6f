#include "onboarding/trafficlight.h"

#include <QPainter>

using namespace Qt::StringLiterals;

namespace {

constexpr int dotSize = 12;
// A little room around the dot makes it easier to hit than the dot alone.
constexpr int hitMargin = 2;

} // namespace

TrafficLight::TrafficLight(Action action, QWidget *parent)
    : QAbstractButton(parent)
    , m_action(action)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    setFixedSize(sizeHint());
    switch (action) {
    case Action::Close:
        setAccessibleName(tr("Close"));
        break;
    case Action::Minimize:
        setAccessibleName(tr("Minimize"));
        break;
    case Action::Zoom:
        setAccessibleName(tr("Zoom"));
        break;
    }
}

QColor TrafficLight::color() const
{
    switch (m_action) {
    case Action::Close:
        return QColor(0xff, 0x5f, 0x57);
    case Action::Minimize:
        return QColor(0xfe, 0xbc, 0x2e);
    case Action::Zoom:
        return QColor(0x28, 0xc8, 0x40);
    }
    return QColor();
}

QSize TrafficLight::sizeHint() const
{
    return QSize(dotSize + 2 * hitMargin, dotSize + 2 * hitMargin);
}

void TrafficLight::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF dot(hitMargin, hitMargin, dotSize, dotSize);
    QColor fill = color();
    if (isDown())
        fill = fill.darker(120);
    painter.setPen(QPen(fill.darker(135), 0.5));
    painter.setBrush(fill);
    painter.drawEllipse(dot.adjusted(0.25, 0.25, -0.25, -0.25));
    if (!m_hovered)
        return;

    // The glyphs are drawn rather than set in a font, so they sit exactly in the middle.
    painter.setPen(QPen(QColor(0, 0, 0, 150), 1.2, Qt::SolidLine, Qt::RoundCap));
    const QPointF c = dot.center();
    const qreal r = 2.8;
    switch (m_action) {
    case Action::Close:
        painter.drawLine(c + QPointF(-r, -r), c + QPointF(r, r));
        painter.drawLine(c + QPointF(-r, r), c + QPointF(r, -r));
        break;
    case Action::Minimize:
        painter.drawLine(c + QPointF(-r - 0.4, 0), c + QPointF(r + 0.4, 0));
        break;
    case Action::Zoom:
        painter.drawLine(c + QPointF(-r - 0.2, 0), c + QPointF(r + 0.2, 0));
        painter.drawLine(c + QPointF(0, -r - 0.2), c + QPointF(0, r + 0.2));
        break;
    }
}

void TrafficLight::enterEvent(QEnterEvent *event)
{
    QAbstractButton::enterEvent(event);
    m_hovered = true;
    update();
}

void TrafficLight::leaveEvent(QEvent *event)
{
    QAbstractButton::leaveEvent(event);
    m_hovered = false;
    update();
}
