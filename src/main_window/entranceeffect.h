#pragma once

#include <QGraphicsEffect>

// Draws a widget faded and moved down by `distance` while it enters: at `progress` 0 it is
// invisible and `distance` lower, at 1 it is drawn as it is. Layouts are not disturbed; only
// the drawing moves.
class EntranceEffect : public QGraphicsEffect
{
    Q_OBJECT
    Q_PROPERTY(qreal progress READ progress WRITE setProgress)

public:
    EntranceEffect(qreal distance, QObject *parent = nullptr);

    qreal progress() const { return m_progress; }
    void setProgress(qreal progress);
    qreal distance() const { return m_distance; }

    QRectF boundingRectFor(const QRectF &rect) const override;

protected:
    void draw(QPainter *painter) override;

private:
    qreal m_distance;
    qreal m_progress = 1;
};
