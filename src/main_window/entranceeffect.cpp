#include "main_window/entranceeffect.h"

#include <QPainter>

EntranceEffect::EntranceEffect(qreal distance, QObject *parent)
    : QGraphicsEffect(parent)
    , m_distance(distance)
{ }

void EntranceEffect::setProgress(qreal progress)
{
    progress = qBound(0.0, progress, 1.0);
    if (qFuzzyCompare(m_progress, progress))
        return;
    m_progress = progress;
    updateBoundingRect();
    update();
}

QRectF EntranceEffect::boundingRectFor(const QRectF &rect) const
{
    // The moved drawing must be repainted, and cleared again as it rises.
    return rect.adjusted(0, 0, 0, m_distance);
}

void EntranceEffect::draw(QPainter *painter)
{
    if (m_progress >= 1) {
        drawSource(painter);
        return;
    }
    if (m_progress <= 0)
        return;
    QPoint offset;
    const QPixmap source = sourcePixmap(Qt::LogicalCoordinates, &offset, NoPad);
    painter->save();
    painter->setOpacity(painter->opacity() * m_progress);
    painter->translate(0, (1 - m_progress) * m_distance);
    painter->drawPixmap(offset, source);
    painter->restore();
}
