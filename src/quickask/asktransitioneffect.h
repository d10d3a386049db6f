#pragma once

#include <QGraphicsEffect>

class QWidget;

// How the Quick Ask bar's rows come in: a fade, optionally with a slide down from above by
// their own height. Drawn through a graphics effect so the layout never sees intermediate
// geometry. Do not nest one inside another (Qt then paints the inner widget twice at once).
class AskTransitionEffect : public QGraphicsEffect
{
    Q_OBJECT
    Q_PROPERTY(qreal progress READ progress WRITE setProgress)

public:
    enum class Kind : quint8 { Fade, SlideFromTop };

    AskTransitionEffect(Kind kind, QWidget *target);

    // Installs the effect on `target` (which owns it) and returns it.
    static AskTransitionEffect *apply(QWidget *target, Kind kind);

    // 0 fully out, 1 fully in.
    qreal progress() const { return m_progress; }
    void setProgress(qreal progress);

    // Shows the target and animates it in with the bar's state spring; jumps when animations
    // are off.
    void enter();

protected:
    void draw(QPainter *painter) override;

private:
    Kind m_kind;
    qreal m_progress = 1;
};
