#include "quickask/asktransitioneffect.h"

#include "widgets/animations.h"

#include <QPainter>
#include <QWidget>

#include <algorithm>

AskTransitionEffect::AskTransitionEffect(Kind kind, QWidget *target)
    : QGraphicsEffect(target)
    , m_kind(kind)
{ }

AskTransitionEffect *AskTransitionEffect::apply(QWidget *target, Kind kind)
{
    auto *effect = new AskTransitionEffect(kind, target);
    target->setGraphicsEffect(effect);
    return effect;
}

void AskTransitionEffect::setProgress(qreal progress)
{
    if (qFuzzyCompare(m_progress, progress))
        return;
    m_progress = progress;
    update();
}

void AskTransitionEffect::enter()
{
    setProgress(0);
    Animations::animate(this, "progress", 1.0, Animations::hoverSpring());
}

void AskTransitionEffect::draw(QPainter *painter)
{
    if (qFuzzyCompare(m_progress, 1.0)) {
        drawSource(painter);
        return;
    }
    // The spring overshoots; a fade beyond fully opaque or below transparent means nothing.
    const qreal opacity = std::clamp(m_progress, 0.0, 1.0);
    if (qFuzzyIsNull(opacity))
        return;
    QPoint offset;
    const QPixmap source = sourcePixmap(Qt::LogicalCoordinates, &offset, NoPad);
    const QRectF bounds(offset, source.deviceIndependentSize());
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->setOpacity(painter->opacity() * opacity);
    if (m_kind == Kind::SlideFromTop)
        painter->translate(0, -(1 - m_progress) * bounds.height());
    painter->drawPixmap(offset, source);
    painter->restore();
}
