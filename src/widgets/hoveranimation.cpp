#include "widgets/hoveranimation.h"

#include <QEvent>
#include <QWidget>

HoverAnimation::HoverAnimation(QWidget *widget, Motion motion)
    : QObject(widget)
    , m_widget(widget)
    , m_motion(std::move(motion))
{
    widget->setAttribute(Qt::WA_Hover);
    widget->installEventFilter(this);
}

void HoverAnimation::setProgress(qreal progress)
{
    if (m_progress == progress)
        return;
    m_progress = progress;
    m_widget->update();
}

bool HoverAnimation::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_widget) {
        if (event->type() == QEvent::Enter)
            setHovered(true);
        else if (event->type() == QEvent::Leave)
            setHovered(false);
    }
    return QObject::eventFilter(watched, event);
}

void HoverAnimation::setHovered(bool hovered)
{
    if (m_hovered == hovered)
        return;
    m_hovered = hovered;
    const qreal end = hovered ? 1.0 : 0.0;
    std::visit(
        [this, end](const auto &motion) { Animations::animate(this, "progress", end, motion); },
        m_motion);
}
