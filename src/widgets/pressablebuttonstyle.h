#pragma once

#include <QGraphicsEffect>

class QAbstractButton;

// The pressed look of the app's buttons: while held, the button shrinks to `scale` about its
// centre and fades to `pressedOpacity`, easing out over 0.12 s both ways. Attach it to any
// button; it draws the button through a graphics effect, so it works with every kind of
// content.
//
//     PressableButtonStyle::apply(button, 0.97, 0.85);
class PressableButtonStyle : public QGraphicsEffect
{
    Q_OBJECT
    Q_PROPERTY(qreal pressProgress READ pressProgress WRITE setPressProgress)

public:
    PressableButtonStyle(QAbstractButton *button, qreal scale, qreal pressedOpacity);

    // Installs the style on `button` (the button owns it) and returns it.
    static PressableButtonStyle *apply(QAbstractButton *button, qreal scale = 0.97,
                                       qreal pressedOpacity = 0.85);

    qreal scale() const { return m_scale; }
    qreal pressedOpacity() const { return m_pressedOpacity; }
    // 0 at rest, 1 fully pressed.
    qreal pressProgress() const { return m_pressProgress; }
    void setPressProgress(qreal progress);

protected:
    void draw(QPainter *painter) override;

private:
    qreal m_scale;
    qreal m_pressedOpacity;
    qreal m_pressProgress = 0;
};
