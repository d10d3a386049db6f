#include "updates/updatespinner.h"

#include "widgets/appcolors.h"

#include <QPainter>

namespace {

constexpr int turnDurationMs = 900;
constexpr qreal strokeWidth = 2.0;

} // namespace

UpdateSpinner::UpdateSpinner(QWidget *parent)
    : QWidget(parent)
{
    setFixedSize(diameter, diameter);
    m_turn.setStartValue(0.0);
    m_turn.setEndValue(360.0);
    m_turn.setDuration(turnDurationMs);
    m_turn.setLoopCount(-1);
    connect(&m_turn, &QVariantAnimation::valueChanged, this, [this] { update(); });
}

QSize UpdateSpinner::sizeHint() const
{
    return {diameter, diameter};
}

void UpdateSpinner::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF ring
        = QRectF(rect()).adjusted(strokeWidth, strokeWidth, -strokeWidth, -strokeWidth);
    QColor track = AppColors::secondaryText(palette());
    track.setAlphaF(0.25f);
    painter.setPen(QPen(track, strokeWidth));
    painter.drawEllipse(ring);
    QPen arc(palette().color(QPalette::Highlight), strokeWidth);
    arc.setCapStyle(Qt::RoundCap);
    painter.setPen(arc);
    // Angles in sixteenths of a degree, counter-clockwise: turning clockwise means going down.
    const int start = int(-m_turn.currentValue().toReal() * 16);
    painter.drawArc(ring, start, 100 * 16);
}

void UpdateSpinner::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_turn.start();
}

void UpdateSpinner::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_turn.stop();
}
