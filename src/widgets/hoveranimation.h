#pragma once

#include "widgets/animations.h"

#include <QObject>

#include <variant>

class QWidget;

// How far a widget has moved into its hover look: 0 at rest, 1 while the pointer is over
// it, moving with the given timing or spring as the pointer enters and leaves. The widget
// reads progress() when it paints; every step repaints it.
//
//     m_hover = new HoverAnimation(this, Animations::quickEase());
class HoverAnimation : public QObject
{
    Q_OBJECT
    Q_PROPERTY(qreal progress READ progress WRITE setProgress)

public:
    // An ease of a given length, or a spring.
    using Motion = std::variant<Animations::Timing, DampedSpring>;

    HoverAnimation(QWidget *widget, Motion motion);

    // A spring overshoots a little past 0 and 1; bounded() is for colours, which must not.
    qreal progress() const { return m_progress; }
    qreal bounded() const { return qBound(0.0, m_progress, 1.0); }
    void setProgress(qreal progress);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setHovered(bool hovered);

    QWidget *m_widget;
    Motion m_motion;
    bool m_hovered = false;
    qreal m_progress = 0;
};
