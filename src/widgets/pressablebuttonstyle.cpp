#include "widgets/pressablebuttonstyle.h"

#include "widgets/animations.h"

#include <QAbstractButton>
#include <QPainter>

PressableButtonStyle::PressableButtonStyle(QAbstractButton *button, qreal scale,
                                           qreal pressedOpacity)
    : QGraphicsEffect(button)
    , m_scale(scale)
    , m_pressedOpacity(pressedOpacity)
{
    connect(button, &QAbstractButton::pressed, this,
            [this] { Animations::animate(this, "pressProgress", 1.0, Animations::pressEase()); });
    connect(button, &QAbstractButton::released, this,
            [this] { Animations::animate(this, "pressProgress", 0.0, Animations::pressEase()); });
}

PressableButtonStyle *PressableButtonStyle::apply(QAbstractButton *button, qreal scale,
                                                  qreal pressedOpacity)
{
    auto *style = new PressableButtonStyle(button, scale, pressedOpacity);
    button->setGraphicsEffect(style);
    return style;
}

void PressableButtonStyle::setPressProgress(qreal progress)
{
    if (qFuzzyCompare(m_pressProgress, progress))
        return;
    m_pressProgress = progress;
    update();
}

void PressableButtonStyle::draw(QPainter *painter)
{
    if (qFuzzyIsNull(m_pressProgress)) {
        drawSource(painter);
        return;
    }
    QPoint offset;
    const QPixmap source = sourcePixmap(Qt::LogicalCoordinates, &offset, NoPad);
    const qreal scale = 1 + (m_scale - 1) * m_pressProgress;
    const qreal opacity = 1 + (m_pressedOpacity - 1) * m_pressProgress;
    const QRectF bounds(offset, source.deviceIndependentSize());
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->setOpacity(painter->opacity() * opacity);
    painter->translate(bounds.center());
    painter->scale(scale, scale);
    painter->translate(-bounds.center());
    painter->drawPixmap(offset, source);
    painter->restore();
}
